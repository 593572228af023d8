// The old names of the checks, until every part uses ok() and skip().
#pragma once

#include "wine_tests.h"

#define CHECK(cond) ok((cond), "%s", #cond)
#define CHECK_EQ(a, b) ok((a) == (b), "%s == %s", #a, #b)
