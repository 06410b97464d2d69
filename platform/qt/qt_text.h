#pragma once

// The description's texts, UTF-8 views into constant tables, as Qt strings.

#include <QString>

#include <string_view>

namespace forms {

inline QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace forms
