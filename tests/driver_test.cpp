#include <gtest/gtest.h>
#include "harness.hpp"
