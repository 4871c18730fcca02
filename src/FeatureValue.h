// A GenICam feature's value as the tool shows it: the text of its line, and
// the form the value has, which gives the text its type in JSON Lines.
#ifndef FEATUREVALUE_H
#define FEATUREVALUE_H

// The forms of a value, as the GenICam module tells them.
enum ValueForm {
    FORM_NONE,         // unknown: shown as text
    FORM_INTEGER,      // decimal, 64 bits
    FORM_FLOAT,        // a double, in the shortest text that reads back as it
    FORM_ENUMERATION,  // an entry's name
    FORM_BOOLEAN,      // true or false (1 or 0 as given to -w)
    FORM_STRING,       // text
    FORM_REGISTER,     // hexadecimal bytes
    FORM_COMMAND,      // executed, no value
};

// A value: its text (as the line shows it, before escaping) and its form.
struct FeatureValue {
    const char *text;
    ValueForm form;
};

#endif
