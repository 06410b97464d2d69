#include "platform/qt/qt_start.h"

#include "platform/qt/qt_text.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace forms {

namespace {

struct HeldMessage {
    QtMsgType type;
    int line;
    std::string file;
    std::string function;
    std::string category;
    QString text;
};

std::mutex g_mutex;
bool g_holding = false;
QtMessageHandler g_previous = nullptr;
QString g_program;
std::vector<HeldMessage> g_held;

// A variable of the environment as the line shows it.
QString setting(const char *name)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QStringLiteral("%1 is not set").arg(QLatin1String(name))
                           : QStringLiteral("%1=%2").arg(QLatin1String(name), value);
}

bool askedForInEnvironment(const QString &name)
{
    // QT_QPA_PLATFORM holds a list of names, each with optional arguments after a colon.
    const QStringList asked = qEnvironmentVariable("QT_QPA_PLATFORM").split(QLatin1Char(';'));
    for (const QString &entry : asked)
        if (entry.section(QLatin1Char(':'), 0, 0) == name)
            return true;
    return false;
}

// Why one platform Qt tried did not start, from whether its loader found it.
QString whyNot(const QString &name, bool found, const QString &installed)
{
    const bool wayland = name.startsWith(QLatin1String("wayland"));
    const bool x11 = name == QLatin1String("xcb");
    if (!found) {
        if (wayland)
            return QStringLiteral("Qt's Wayland platform plugin is not installed (install qt6-wayland)");
        if (x11)
            return QStringLiteral("Qt's X11 platform plugin is not installed (install libqt6gui6)");
        QString why = QStringLiteral("there is no Qt platform plugin \"%1\"").arg(name);
        if (askedForInEnvironment(name))
            why += QStringLiteral(" (%1)").arg(setting("QT_QPA_PLATFORM"));
        if (!installed.isEmpty())
            why += QStringLiteral("; the installed ones are %1").arg(installed);
        return why;
    }
    if (wayland)
        return QStringLiteral("no Wayland compositor answers (%1)").arg(setting("WAYLAND_DISPLAY"));
    if (x11)
        return QStringLiteral("no X server answers (%1)").arg(setting("DISPLAY"));
    return QStringLiteral("Qt's platform plugin \"%1\" could not start").arg(name);
}

// The cause, from what Qt's platform loader said: which platforms it tried, in
// order, and whether it found each; its fatal message lists the installed ones.
QString describe(const std::vector<HeldMessage> &held, const QString &fatal)
{
    static const QRegularExpression attempt(QStringLiteral("Could not (find|load) the Qt platform plugin \"([^\"]*)\""));
    static const QRegularExpression available(QStringLiteral("Available platform plugins are: ([^\\n]*[^.\\n])"));
    QStringList texts;
    for (const HeldMessage &m : held)
        texts << m.text;
    texts << fatal;

    const QRegularExpressionMatch list = available.match(fatal);
    const QString installed = list.hasMatch() ? list.captured(1) : QString();
    QStringList tried;
    QStringList reasons;
    for (const QString &text : std::as_const(texts))
        for (const QRegularExpressionMatch &m : attempt.globalMatch(text)) {
            const QString name = m.captured(2);
            if (tried.contains(name))
                continue;
            tried << name;
            reasons << whyNot(name, m.captured(1) == QLatin1String("load"), installed);
        }
    if (reasons.isEmpty())
        return fatal.section(QLatin1Char('\n'), 0, 0);
    return reasons.join(QStringLiteral("; "));
}

void holdMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    std::unique_lock lock(g_mutex);
    if (!g_holding) {
        // Released while this message was on its way.
        const QtMessageHandler previous = g_previous;
        lock.unlock();
        previous(type, context, text);
        return;
    }
    if (type != QtFatalMsg) {
        g_held.push_back({type, context.line, context.file ? context.file : "", context.function ? context.function : "",
                          context.category ? context.category : "", text});
        return;
    }
    QString line = QStringLiteral("%1: cannot open the window: %2")
                       .arg(g_program, describe(g_held, text));
    for (QChar &c : line)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    // Qt would abort after this message; the half-made application is not worth
    // tearing down.
    std::_Exit(2);
}

} // namespace

PlatformStartGuard::PlatformStartGuard(std::string_view program)
{
    const std::lock_guard lock(g_mutex);
    g_program = qs(program);
    g_holding = true;
    g_previous = qInstallMessageHandler(&holdMessage);
}

PlatformStartGuard::~PlatformStartGuard()
{
    release();
}

void PlatformStartGuard::release()
{
    std::vector<HeldMessage> held;
    QtMessageHandler previous = nullptr;
    {
        const std::lock_guard lock(g_mutex);
        if (!g_holding)
            return;
        g_holding = false;
        qInstallMessageHandler(g_previous);
        previous = g_previous;
        held.swap(g_held);
    }
    for (const HeldMessage &m : held) {
        const QMessageLogContext context(m.file.empty() ? nullptr : m.file.c_str(), m.line,
                                         m.function.empty() ? nullptr : m.function.c_str(), m.category.c_str());
        previous(m.type, context, m.text);
    }
}

} // namespace forms
