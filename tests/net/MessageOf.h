#pragma once

#include <gtest/gtest.h>

#include <string>

namespace net {

// Runs the operation and returns the whole message of the exception of type E it must raise.
template <typename E, typename Operation>
std::string MessageOf(Operation operation)
{
    try {
        operation();
    } catch (const E& error) {
        return error.Message();
    }
    ADD_FAILURE() << "no exception";
    return {};
}

}  // namespace net
