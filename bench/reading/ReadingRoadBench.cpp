// CPU cost of the steps of one stored reading without the line: the receive
// routine on a complete reply, decoding, storing and the grid update, and
// what publishing adds to them on the reading thread.
//
//   build/bin/reading-road-bench
//   RX7100_BENCH_BROKER=127.0.0.1:1883 build/bin/reading-road-bench   # a real broker
//
// Without a broker, publishing goes to a port nobody listens on: the
// messages wait in the queue, the oldest dropped once it is full.

#include "CRC16.h"
#include "Database.h"
#include "FakePort.h"
#include "HexText.h"
#include "MeterTable.h"
#include "Publisher.h"
#include "RealtimeRecord.h"
#include "SerialExchange.h"
#include "StartingDatabase.h"
#include "Station.h"

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

// Publishing to RX7100_BENCH_BROKER, else to a closed port.
PublishSettings benchBroker() {
    PublishSettings settings = PublishTable::startingSettings();
    const QString broker = qEnvironmentVariable("RX7100_BENCH_BROKER", "127.0.0.1:1");
    settings.enabled = true;
    settings.host = broker.section(QLatin1Char(':'), 0, 0);
    settings.port = broker.section(QLatin1Char(':'), 1).toInt();
    settings.station = QStringLiteral("bench");
    return settings;
}

// What the reading thread spends on one stored reading's message.
void PublishReading(benchmark::State& state) {
    Publisher publisher;
    publisher.apply(benchBroker());
    Reading reading;
    reading.address = 7;
    for (const ReadingValue& value : readingValues)
        reading.*value.member = QStringLiteral("12345.67");
    reading.status = QStringLiteral("Communication OK,Empty Pipe Alarm");
    reading.time = QDateTime::currentDateTime();
    for (auto _ : state)
        publisher.publishReading(reading);
    state.counters["waiting"] = double(publisher.waiting());
}
BENCHMARK(PublishReading);

// The receive routine to the committed row and the grid, for a reply that
// arrives in one piece; argument 1 publishes each reading as well.
void ReplyToStoredRow(benchmark::State& state) {
    QTemporaryDir dir;
    StartingDatabase::Options options;
    QList<int> meters;
    for (int m = 1; m <= 32; ++m)
        meters << m;
    options.meters = meters;
    if (state.range(0) == 1)
        options.publish = benchBroker();
    StartingDatabase::create(Database::filePath(dir.path()), options);
    auto port = std::make_unique<FakePort>();
    FakePort* fake = port.get();
    Station station(dir.path(), std::move(port));
    station.startUp();
    const QByteArray reply = realtimeReply(7, 12.5f);
    for (auto _ : state) {
        station.exchange().clearform1();
        fake->deliver(reply);
    }
}
BENCHMARK(ReplyToStoredRow)->Arg(0)->Arg(1);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
