#include "TotalizerSeries.h"

#include "VolumeUnit.h"

#include <utility>

TotalizerSeries::TotalizerSeries(QString reportUnit) : m_reportUnit(std::move(reportUnit)) {}

TotalizerSeries::Step TotalizerSeries::push(qint64 instant, double total, const QString& unit) {
    Reading reading{instant, total, unit};
    Step step;
    if (!m_kept)
        m_kept = std::move(reading);
    else {
        if (m_pending)
            step = judge(&reading);
        m_pending = std::move(reading);
    }
    return step;
}

TotalizerSeries::Step TotalizerSeries::finish() {
    Step step;
    if (m_pending)
        step = judge(nullptr);
    m_kept.reset();
    m_pending.reset();
    return step;
}

bool TotalizerSeries::wraps(const Reading& before, const Reading& after) {
    return before.unit == after.unit && before.total >= wrapSpan - wrapMargin &&
           after.total < wrapMargin;
}

TotalizerSeries::Step TotalizerSeries::judge(const Reading* next) {
    const Reading& kept = *m_kept;
    const Reading& current = *m_pending;
    Step step;
    const auto keep = [&](std::optional<double> volume, ConsumptionMarks marks) {
        if (volume && current.unit != m_reportUnit)
            volume = VolumeUnit::convert(*volume, current.unit, m_reportUnit);
        if (!volume)
            marks |= ConsumptionMark::UnitChange;
        step.segment = Segment{kept.instant, current.instant, volume.value_or(0), marks};
        m_kept = current;
    };

    // Both neighbours in the current reading's unit, so a converted unit
    // change compares like any other step.
    const auto before = VolumeUnit::convert(kept.total, kept.unit, current.unit);
    if (!before) {
        keep(std::nullopt, ConsumptionMark::UnitChange);
        return step;
    }
    std::optional<double> after;
    if (next)
        after = VolumeUnit::convert(next->total, next->unit, current.unit);

    if (wraps(kept, current))
        keep(current.total + wrapSpan - kept.total, ConsumptionMark::Wrap);
    else if (current.total >= *before) {
        if (after && *after < current.total && *after >= *before)
            step.glitchAt = current.instant;
        else
            keep(current.total - *before, {});
    } else if (after && *after < *before)
        keep(current.total, ConsumptionMark::Reset);
    else
        step.glitchAt = current.instant;
    return step;
}
