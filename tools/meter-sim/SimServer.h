#pragma once

#include "MbapFramer.h"
#include "MeterLine.h"
#include "PtyPort.h"
#include "ReplyPacer.h"
#include "RequestFramer.h"
#include "RequestLog.h"
#include "SimOptions.h"
#include "TcpLink.h"
#include "TcpListener.h"

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <vector>

// Runs the simulated line on a pseudo-terminal until SIGINT, SIGTERM or
// SIGHUP: one poll() loop that sleeps until a byte arrives or the next
// timed step (end of a frame, a piece of a reply) is due.
//
// The line is a two-wire, half-duplex RS-485 bus: requests and replies
// share it, each taking its time at the baud rate. A request that comes
// while a meter is turning round to answer or is answering never reaches
// a meter, and it garbles the rest of that answer: the bytes still to go
// arrive damaged.
//
// With --tcp the bus sits behind a serial device server instead: up to
// four clients connect, and the server puts their requests on the bus one
// at a time in the order they came, each after the previous answer has
// ended, so requests wait rather than collide.
class SimServer {
public:
    explicit SimServer(const SimOptions& options);

    // The process exit code.
    int run();

private:
    using Clock = std::chrono::steady_clock;

    struct PendingOutput {
        Clock::time_point due;
        QByteArray bytes;
        // Where the bytes stand in their reply; -1 for stray bytes.
        int offset = -1;
        // The reply as it goes out, garbling included; logged with its last piece.
        std::shared_ptr<QByteArray> reply;
        bool endsReply = false;
        // Who gets the bytes: 0 the terminal, else a TCP client's id.
        int client = 0;
    };

    struct Client {
        int id = 0;
        std::unique_ptr<TcpLink> link;
        RequestFramer rtu;
        MbapFramer mbap;
        Clock::time_point lastByte;
    };

    bool openLine(QString* error);
    void closeLine();

    void receive(Clock::time_point now);
    void accept(const QByteArray& frame, Clock::time_point now);
    void garbleFrom(Clock::time_point start);
    void welcome();
    // False when the client has gone or its stream broke; it is then dropped.
    bool receiveFrom(Client& client, Clock::time_point now);
    void serve(const Client& from, const QByteArray& frame,
               std::optional<std::uint16_t> transaction, Clock::time_point now);
    // Queues the answer to `frame`, heard by the meters at `requestEnd`, for
    // `client`; with a transaction, as Modbus TCP. When the line is free
    // again, or nothing when no meter answers.
    std::optional<Clock::time_point> answer(const QByteArray& frame, Clock::time_point requestEnd,
                                            int client, std::optional<std::uint16_t> transaction);
    void send(const PendingOutput& output);
    bool chance(double probability);
    void runDue(Clock::time_point now);
    std::optional<Clock::time_point> nextDeadline() const;

    SimOptions m_options;
    MeterLine m_line;
    ReplyPacer m_pacer;
    RequestFramer m_framer;
    RequestLog m_log;
    RequestLog m_replyLog;
    PtyPort m_port;
    TcpListener m_listener;
    // With --tcp and --link: the file naming the bound address, removed on exit.
    QString m_addressFile;
    std::vector<Client> m_clients;
    int m_nextClient = 1;
    std::mt19937 m_random;
    std::mt19937 m_gatewayRandom;

    std::chrono::microseconds m_byteTime{0};
    std::chrono::microseconds m_silenceTime{0};
    std::chrono::microseconds m_tcpQuiet{0};
    Clock::time_point m_modelTime;
    Clock::time_point m_frameStart;
    Clock::time_point m_lastByte;
    // The last request is on the line until then; the next one follows it.
    Clock::time_point m_requestEnd;
    // A meter turns round or answers until then.
    Clock::time_point m_lineFree;
    std::deque<PendingOutput> m_output;
};
