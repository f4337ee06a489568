/** @file vecableattribute.h @brief A parsed cable description (declared with the cable notation). */
#pragma once

#include "analysis/vecableattribute.h"
