/** @file console.cpp @brief Printing of the vefinder program. */
#include "console.h"

#include <QByteArray>

namespace Console {

void out(const QString& text)
{
    outBytes(text.toLocal8Bit());
}

void outBytes(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

void error(const QString& text)
{
    std::fflush(stdout);
    std::fputs(QStringLiteral("vefinder: %1\n").arg(text).toLocal8Bit().constData(), stderr);
}

void warning(const QString& text)
{
    std::fflush(stdout);
    std::fputs(QStringLiteral("vefinder: warning: %1\n").arg(text).toLocal8Bit().constData(), stderr);
}

} // namespace Console
