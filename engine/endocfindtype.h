/** @file endocfindtype.h @brief The index fields a search can address (declared with the text analysis). */
#pragma once

#include "analysis/endocfindtype.h"
