/** @file segmenterentry_p.h @brief SegmenterEntry, one friso segmenter of the pool. */
#pragma once

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
extern "C" {
#include <friso.h>
}
#pragma GCC diagnostic pop

/// One pool entry: a friso instance with its own dictionary, its configuration
/// and its task. The entry owns all three; WordSegment::freeAll() releases them.
struct SegmenterEntry {
    friso_t friso = nullptr;
    friso_config_t config = nullptr;
    friso_task_t task = nullptr;
};
