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
    return outcomeOf(m_table.addMeter(*address));
}

MeterList::Outcome MeterList::remove(const QString& boxText) {
    if (boxText.isEmpty())
        return Outcome::EmptyBox;
    // Any whole number, so that a row put in by other means (an address 0,
    // say) can still be picked and deleted.
    const std::optional<int> address = WholeNumber::parse(boxText);
    if (!address)
        return Outcome::Refused;
    return outcomeOf(m_table.deleteMeter(*address));
}

MeterList::Outcome MeterList::outcomeOf(const StoreWrite& write) {
    m_lastWrite = write;
    return write.isRefused() ? Outcome::StoreRefused : Outcome::Done;
}
