#include <gtest/gtest.h>

#include "web/fetch.h"

int main(int argc, char** argv) {
    kl8::web_global_init();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
