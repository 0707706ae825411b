#include "ConsumptionRow.h"

#include <QStringList>
#include <array>
#include <utility>

QString ConsumptionRow::notes() const {
    static constexpr std::array<std::pair<ConsumptionMark, const char*>, 5> words{{
        {ConsumptionMark::Estimated, "estimated"},
        {ConsumptionMark::Reset, "reset"},
        {ConsumptionMark::Wrap, "wrap"},
        {ConsumptionMark::Glitch, "glitch"},
        {ConsumptionMark::UnitChange, "unit-change"},
    }};
    QStringList list;
    for (const auto& [mark, word] : words)
        if (marks.testFlag(mark))
            list << QLatin1String(word);
    return list.join(u' ');
}
