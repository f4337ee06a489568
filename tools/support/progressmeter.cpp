/** @file progressmeter.cpp @brief Progress bar on a terminal, periodic lines elsewhere. */
#include "progressmeter.h"

#include <unistd.h>

namespace {
constexpr qint64 TerminalIntervalMs = 100;
constexpr qint64 PlainIntervalMs = 5000;
constexpr int BarWidth = 30;
} // namespace

ProgressMeter::ProgressMeter(const QString& label, const QString& unit, Mode mode, FILE* stream)
    : m_label(label),
      m_unit(unit),
      m_mode(mode),
      m_stream(stream),
      m_terminal(isatty(fileno(stream)) != 0)
{
    m_clock.start();
}

QString ProgressMeter::formatDuration(double seconds)
{
    if (seconds < 0)
        seconds = 0;
    const qint64 total = static_cast<qint64>(seconds + 0.5);
    const qint64 h = total / 3600;
    const qint64 m = (total / 60) % 60;
    const qint64 s = total % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

void ProgressMeter::update(qint64 done, qint64 total, qint64 items)
{
    if (!enabled())
        return;
    const qint64 now = m_clock.elapsed();
    const qint64 interval = m_terminal ? TerminalIntervalMs : PlainIntervalMs;
    if (m_lastDrawMs >= 0 ? now - m_lastDrawMs < interval : now < interval)
        return;
    m_lastDrawMs = now;
    draw(done, total, items, false);
}

void ProgressMeter::finish(qint64 items)
{
    if (!m_terminal || m_lastDrawMs < 0)
        return; // plain mode ends with the caller's summary; no bar was drawn
    draw(1, 1, items, true);
    std::fputc('\n', m_stream);
    std::fflush(m_stream);
}

void ProgressMeter::draw(qint64 done, qint64 total, qint64 items, bool final)
{
    const double seconds = m_clock.elapsed() / 1000.0;
    const double fraction = total > 0 ? qBound(0.0, double(done) / double(total), 1.0) : 0.0;
    const double rate = seconds > 0 ? items / seconds : 0.0;
    QString left;
    if (final)
        left = QStringLiteral("%1 in all").arg(formatDuration(seconds));
    else if (fraction > 0)
        left = QStringLiteral("%1 left").arg(formatDuration(seconds * (1.0 - fraction) / fraction));
    else
        left = QStringLiteral("time left unknown");
    const QString numbers = QStringLiteral("%1%  %2 %3  %4 %3/s  %5")
                                .arg(static_cast<int>(fraction * 100))
                                .arg(items)
                                .arg(m_unit)
                                .arg(rate, 0, 'f', 0)
                                .arg(left);
    QString line;
    if (m_terminal) {
        const int filled = static_cast<int>(fraction * BarWidth);
        const QString bar =
            QString(filled, QLatin1Char('#')) + QString(BarWidth - filled, QLatin1Char('.'));
        line = QStringLiteral("%1 [%2] %3").arg(m_label, bar, numbers);
        const int width = line.size();
        if (width < m_lastWidth)
            line += QString(m_lastWidth - width, QLatin1Char(' '));
        m_lastWidth = width;
        std::fputs("\r", m_stream);
        std::fputs(line.toLocal8Bit().constData(), m_stream);
    } else {
        line = QStringLiteral("%1: %2\n").arg(m_label, numbers);
        std::fputs(line.toLocal8Bit().constData(), m_stream);
    }
    std::fflush(m_stream);
}
