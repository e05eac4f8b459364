#pragma once

// The widget edge of the GBK texts: the engine keeps GBK bytes, Qt shows QStrings.

#include <QString>

#include <string>
#include <string_view>

namespace ringvale {

QString qtFromGbk(std::string_view gbk);
std::string gbkFromQt(const QString& text);

} // namespace ringvale
