#include "HistorySnapshots.h"

#include "WholeNumber.h"

bool HistorySnapshots::minutePassed(const QString& intervalText) {
    if (m_minutes < CounterLimit)
        ++m_minutes;
    // The number the box begins with; an empty or other text is 0.
    const int interval = WholeNumber::parse(intervalText, 0, std::numeric_limits<int>::max(),
                                            WholeNumber::Mode::Prefix)
                             .value_or(0);
    // A count already past a newly lowered interval snapshots at once;
    // waiting for equality would stop the history for the rest of the run.
    if (interval <= 0 || m_minutes < interval)
        return false;
    m_minutes = 0;
    return true;
}
