#include "MeterList.h"

#include "RowSet.h"
#include "WholeNumber.h"

MeterList::MeterList(QSqlDatabase db) : m_table(std::move(db)) {}

QStringList MeterList::addresses() const {
    const RowSet rows = m_table.addresses();
    QStringList list;
    for (const QVariantList& row : rows.rows())
        list << row.value(0).toString();
    return list;
}

std::optional<int> MeterList::meterAddress(const QString& text) {
    const std::optional<int> address = wholeNumber(text, 255);
    return address && *address >= 1 ? address : std::nullopt;
}

MeterList::Outcome MeterList::add(const QString& boxText) {
    if (boxText.isEmpty())
        return Outcome::EmptyBox;
    const std::optional<int> address = meterAddress(boxText);
    if (!address)
        return Outcome::Refused;
    m_table.addMeter(*address);
    return Outcome::Done;
}

MeterList::Outcome MeterList::remove(const QString& boxText) {
    if (boxText.isEmpty())
        return Outcome::EmptyBox;
    // Any whole number, so that a row put in by other means (an address 0,
    // say) can still be picked and deleted.
    const std::optional<int> address = wholeNumber(boxText);
    if (!address)
        return Outcome::Refused;
    m_table.deleteMeter(*address);
    return Outcome::Done;
}
