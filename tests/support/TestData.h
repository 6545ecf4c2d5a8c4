// TestData: files made by other software that some tests compare against.
//
// They live beside the repository (QM_TESTDATA_DIR, ../shared/testdata), not in it: a clone
// without that folder still builds, and the tests that need the files skip with a message.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

// First statement of a test that reads QM_TESTDATA_DIR.
#define QM_SKIP_WITHOUT_TESTDATA()                                                   \
  if (!std::filesystem::is_directory(QM_TESTDATA_DIR))                               \
  GTEST_SKIP() << "no test data at " QM_TESTDATA_DIR                                 \
               << " (files made by other software, kept beside the repository)"
