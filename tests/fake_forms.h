#pragma once

// A forms backend with no widgets: it records every call a handler makes, so the
// order and the arguments of the calls can be checked, and it can be told to fail.

#include "platform/forms.h"

#include <QStringList>

#include <map>
#include <set>
#include <string>

class FakeForms final : public forms::Forms {
public:
    // Selectors that report -1 (normally exactly one; a fake may break that).
    std::set<std::string> selected;
    // The call (as logged) that fails with NoSuchMember instead of succeeding.
    QString failOn;
    QStringList log;

    forms::Status value(forms::Control c, std::int16_t &out) override
    {
        FORMS_CHECK(record(forms::Operation::GetValue, QStringLiteral("value ") + label(c), c));
        out = selected.count(m_names[c.id].first) ? -1 : 0;
        return {};
    }
    forms::Status setTop(forms::Control c, float top) override
    {
        return record(forms::Operation::SetTop, QStringLiteral("top %1 %2").arg(label(c)).arg(double(top)), c);
    }
    forms::Status setLeft(forms::Control c, float left) override
    {
        return record(forms::Operation::SetLeft, QStringLiteral("left %1 %2").arg(label(c)).arg(double(left)), c);
    }
    forms::Status setText(forms::Control c, std::string_view utf8) override
    {
        return record(forms::Operation::SetText,
                      QStringLiteral("text %1 \"%2\"").arg(label(c), QString::fromUtf8(utf8.data(), qsizetype(utf8.size()))),
                      c);
    }
    forms::Status unload() override
    {
        log << QStringLiteral("unload");
        return {};
    }

protected:
    forms::Status lookupName(std::string_view name, forms::Control &out) override { return find(name, -1, out); }
    forms::Status lookupMember(std::string_view name, std::int16_t index, forms::Control &out) override
    {
        return find(name, index, out);
    }

private:
    forms::Status find(std::string_view name, int index, forms::Control &out)
    {
        const std::pair<std::string, int> key{std::string(name), index};
        const QString line = QStringLiteral("lookup ") + label(key);
        if (line == failOn)
            return forms::Status::failure(forms::Operation::Lookup, forms::Fault::NoSuchMember, name, std::int16_t(index));
        auto it = m_ids.find(key);
        if (it == m_ids.end()) {
            it = m_ids.emplace(key, std::uint16_t(m_names.size())).first;
            m_names.push_back(key);
        }
        out.id = it->second;
        return {};
    }

    forms::Status record(forms::Operation op, const QString &line, forms::Control c)
    {
        if (line == failOn)
            return forms::Status::failure(op, forms::Fault::WrongKind, m_names[c.id].first, std::int16_t(m_names[c.id].second));
        log << line;
        return {};
    }

    static QString label(const std::pair<std::string, int> &key)
    {
        QString s = QString::fromStdString(key.first);
        if (key.second != -1)
            s += QStringLiteral("(%1)").arg(key.second);
        return s;
    }
    QString label(forms::Control c) const { return label(m_names[c.id]); }

    std::map<std::pair<std::string, int>, std::uint16_t> m_ids;
    std::vector<std::pair<std::string, int>> m_names;
};
