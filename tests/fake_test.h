// SPDX-License-Identifier: ISC
// The unit tests' base fixture: a fresh fake holding repeater_store() and
// debug off before every test.
#pragma once

#include <gtest/gtest.h>

#include "platform/io.h"
#include "testing/fake_platform.h"
#include "testing/router_text.h"

class FakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.reset();
        fake.store = repeater_store();
        debug = 0;
    }
};
