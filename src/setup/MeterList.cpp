#include "MeterList.h"

#include "WholeNumber.h"

MeterList::MeterList(QSqlDatabase db) : m_table(std::move(db)) {}

QStringList MeterList::addresses() const {
    QStringList list;
    for (int address : m_table.addresses())
        list << QString::number(address);
    return list;
}

std::optional<int> MeterList::meterAddress(const QString& text) {
    return WholeNumber::parse(text, 1, 255);
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
    const std::optional<int> address = WholeNumber::parse(boxText);
    if (!address)
        return Outcome::Refused;
    m_table.deleteMeter(*address);
    return Outcome::Done;
}
