/* The floor for start-up: a program that does nothing. */
int main(void)
{
    return 0;
}
