#pragma once

#include "Consumption.h"
#include "ConsumptionRow.h"
#include "SnapshotSource.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <functional>
#include <optional>

// Consumption of chosen meters by period over a range of local dates, each
// meter in its latest totalizer unit unless the query names one, with a
// total per meter.
class ConsumptionReport {
public:
    struct Meter {
        int line = 1;
        int address = 0;
        bool operator==(const Meter&) const = default;
    };
    struct Query {
        Consumption::Query periods; // its unit: empty for each meter's latest
        QList<Meter> meters;
    };
    struct MeterRows {
        Meter meter;
        QList<ConsumptionRow> rows;
        ConsumptionRow total; // the whole range
        int dropped = 0;      // snapshots left out as unreadable
    };
    struct Result {
        QList<MeterRows> meters;
        QString error; // why the store could not be read; empty when it could
        bool cancelled = false;
    };
    // Called after each meter with how many are done; false stops the run.
    using Progress = std::function<bool(int done, int count)>;

    static Result run(const Query& query, SnapshotSource& source, const Progress& progress = {});

    // The sum of the rows: a volume none when no row has it, every mark.
    static ConsumptionRow total(const QList<ConsumptionRow>& rows);

    // A volume as reports write it: up to three decimals, none as empty.
    static QString volumeText(const std::optional<double>& volume);
};

Q_DECLARE_METATYPE(ConsumptionReport::Result)
