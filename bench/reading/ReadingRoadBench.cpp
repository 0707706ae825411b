// CPU cost of the steps of one stored reading without the line: the receive
// routine on a complete reply, decoding, storing and the grid update.
//
//   build/bin/reading-road-bench

#include "CRC16.h"
#include "Database.h"
#include "FakePort.h"
#include "HexText.h"
#include "MainStation.h"
#include "MeterTable.h"
#include "RealtimeRecord.h"
#include "SerialExchange.h"
#include "StartingDatabase.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <bit>

namespace {

QByteArray realtimeReply(int address, float flow) {
    QByteArray frame;
    frame.append(char(address)).append(char(3)).append(char(48));
    QByteArray data(48, '\0');
    const auto put = [&data](int offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            data[offset + i] = char(value >> (24 - 8 * i));
    };
    put(0, std::bit_cast<std::uint32_t>(flow));
    put(6, 12345);
    put(10, std::bit_cast<std::uint32_t>(0.5f));
    put(36, std::bit_cast<std::uint32_t>(1.25f));
    frame.append(data);
    return withCrc(frame);
}

void Decode(benchmark::State& state) {
    const QString hex = HexText::fromBytes(realtimeReply(1, 12.5f));
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeRealtimeRecord(hex));
}
BENCHMARK(Decode);

void StoreReading(benchmark::State& state) {
    QTemporaryDir dir;
    StartingDatabase::Options options;
    options.meters = QList<int>{1, 2, 3};
    StartingDatabase::create(Database::filePath(dir.path()), options);
    Database db(dir.path());
    MeterTable table(db.connection());
    Reading reading;
    reading.address = 2;
    reading.flowRate = QStringLiteral("12.50");
    reading.status = QStringLiteral("Communication OK");
    for (auto _ : state) {
        reading.time = QDateTime::currentDateTime();
        benchmark::DoNotOptimize(table.storeReading(reading));
    }
}
BENCHMARK(StoreReading);

// The receive routine to the committed row and the grid, for a reply that
// arrives in one piece.
void ReplyToStoredRow(benchmark::State& state) {
    QTemporaryDir dir;
    StartingDatabase::Options options;
    QList<int> meters;
    for (int m = 1; m <= 32; ++m)
        meters << m;
    options.meters = meters;
    StartingDatabase::create(Database::filePath(dir.path()), options);
    auto port = std::make_unique<FakePort>();
    FakePort* fake = port.get();
    MainStation station(dir.path(), std::move(port));
    station.startUp();
    const QByteArray reply = realtimeReply(7, 12.5f);
    for (auto _ : state) {
        station.exchange().clearform1();
        fake->deliver(reply);
    }
}
BENCHMARK(ReplyToStoredRow);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
