#pragma once

#include <QString>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// Readable GoogleTest output for Qt values.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace qm::test {

// The name of a parameterised test case: the row's `name` field.
template<typename Row>
std::string rowName(const ::testing::TestParamInfo<Row> &info)
{
    return info.param.name;
}

} // namespace qm::test
