/** @file progressmeter.h @brief ProgressMeter, progress of a long job on stderr. */
#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

/// Shows how far a job has come on a stream (stderr by default): on a
/// terminal a bar redrawn in place with the rate and the time left, elsewhere
/// a plain line at a fixed interval (or nothing, in TerminalOnly mode).
/// Updates are cheap when nothing is due, so they can be called per item.
class ProgressMeter
{
public:
    enum Mode {
        TerminalOnly, ///< draw on a terminal, stay silent otherwise
        Always        ///< on other streams, print a plain line now and then
    };

    ProgressMeter(const QString& label, const QString& unit, Mode mode, FILE* stream = stderr);

    /// Whether anything will be shown at all.
    bool enabled() const { return m_terminal || m_mode == Always; }
    /// @p done of @p total (any unit, e.g. bytes) finished; @p items of the
    /// unit counted (rows) so far, for the rate.
    void update(qint64 done, qint64 total, qint64 items);
    /// Draws the final state and ends the bar's line.
    void finish(qint64 items);

    /// Seconds as m:ss or h:mm:ss.
    static QString formatDuration(double seconds);

private:
    void draw(qint64 done, qint64 total, qint64 items, bool final);

    QString m_label;
    QString m_unit;
    Mode m_mode;
    FILE* m_stream;
    bool m_terminal;
    QElapsedTimer m_clock;
    qint64 m_lastDrawMs = -1;
    int m_lastWidth = 0;
};
