// The GenICam formula language: each operator and function from a table.
#include "Formula.h"

#include <gtest/gtest.h>
