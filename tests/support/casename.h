#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

// Names each case of a parameterised test after its `name` field.
struct CaseName
{
    template<typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case> &param) const
    {
        return param.param.name;
    }
};

} // namespace testing_support
