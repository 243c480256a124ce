// server_store_bench [records]: starts a PostgreSQL server of its own and times how fast the
// records store sends records to it (the sender's round trip, the spool read and the removal from
// it) beside a plain libpq insert of the same records with the same statement, and what an append
// costs the thread that logs (the record written to the spool and synced to its disk).
#include <libpq-fe.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench_records.h"
#include "bench_support.h"
#include "records/postgres_server.h"
#include "records/records_store.h"
#include "records/sql/server_store.h"
#include "records/sql/spool.h"
#include "records/store.h"

namespace {

using bench::Clock;
using bench::median;
using bench::recordNumber;

// Runs of each kind, taking turns, so that a machine busy now and then burdens both alike.
constexpr int kRuns = 7;

// Ends the benchmark; thrown, so that the server it started is stopped on the way out.
[[noreturn]] void die(const std::string& what) {
    throw std::runtime_error(what);
}

void exec(PGconn* connection, const std::string& sql) {
    PGresult* result = PQexec(connection, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    PQclear(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        die(sql + ": " + PQerrorMessage(connection));
    }
}

// The same statement the store sends, prepared once, run once per record.
double libpqMicroseconds(PGconn* connection, long count, long offset) {
    std::string names;
    std::string marks;
    for (std::size_t i = 0; i < records::kFieldNames.size(); ++i) {
        names += "\"" + records::kFieldNames[i] + "\", ";
        marks += "$" + std::to_string(i + 1) + ", ";
    }
    const std::string insert = "INSERT INTO \"数据监测\" (" + names + "\"站点\") VALUES (" + marks +
                               "$11) ON CONFLICT DO NOTHING RETURNING \"序号\"";
    PGresult* prepared = PQprepare(connection, "insert", insert.c_str(), 11, nullptr);
    if (PQresultStatus(prepared) != PGRES_COMMAND_OK) {
        die(std::string("prepare: ") + PQerrorMessage(connection));
    }
    PQclear(prepared);
    const auto start = Clock::now();
    for (long n = 0; n < count; ++n) {
        const records::MeasurementRecord r = recordNumber(offset + n);
        const std::string station = std::to_string(r.station);
        const char* values[11] = {station.c_str(),
                                  r.date.c_str(),
                                  r.diameter.c_str(),
                                  r.flow.c_str(),
                                  r.percent.c_str(),
                                  r.rangeRatio.c_str(),
                                  r.velocity.c_str(),
                                  r.forwardTotal.c_str(),
                                  r.reverseTotal.c_str(),
                                  r.alarm.c_str(),
                                  "bench"};
        PGresult* result = PQexecPrepared(connection, "insert", 11, values, nullptr, nullptr, 0);
        if (PQresultStatus(result) != PGRES_TUPLES_OK || PQntuples(result) != 1) {
            die(std::string("insert: ") + PQerrorMessage(connection));
        }
        PQclear(result);
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
}

int measure(const records_test::PostgresServer& server, long count) {
    QDir::setCurrent(QString::fromStdString(server.socketDirectory()));
    QFile password(QStringLiteral("records.password"));
    if (!password.open(QIODevice::WriteOnly) ||
        password.write(records_test::PostgresServer::kPassword) < 0) {
        die("cannot write the password file");
    }
    password.close();
    password.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QFile settings(QStringLiteral("records.conf"));
    const std::string text = server.settings("records.password", "bench");
    if (!settings.open(QIODevice::WriteOnly) || settings.write(text.c_str()) < 0) {
        die("cannot write records.conf");
    }
    settings.close();

    const std::string conninfo = "host=" + server.socketDirectory() +
                                 " port=" + std::to_string(records_test::PostgresServer::kPort) +
                                 " dbname=" + records_test::PostgresServer::kDatabase +
                                 " user=" + records_test::PostgresServer::kUser + " password='" +
                                 records_test::PostgresServer::kPassword + "'";
    PGconn* connection = PQconnectdb(conninfo.c_str());
    if (PQstatus(connection) != CONNECTION_OK) {
        die(std::string("connect: ") + PQerrorMessage(connection));
    }
    exec(connection, records::createTableStatement(records::SqlDialect::PostgreSql));

    bench::StillClock clock;
    records::sql::ServerStore store(QStringLiteral("records.conf"),
                                    QStringLiteral("records-spool.db"), clock);
    // Sent once the spool itself is empty: the sender's tally of waiting records can stay one
    // too high when it sends a record before the append that added it has counted it.
    records::sql::Spool watched(QStringLiteral("records-spool.db"), records::sql::Spool::Use::Keep);
    const auto drain = [&] {
        const auto deadline = Clock::now() + std::chrono::minutes(2);
        for (std::int64_t waiting = 1; waiting > 0;) {
            if (!store.health().ok()) {
                die("sending: " + store.health().detail);
            }
            if (!watched.count(waiting).ok()) {
                die("cannot count the spool");
            }
            if (Clock::now() > deadline) {
                die(std::to_string(waiting) + " records still in the spool after two minutes");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
    // Connected, the insert prepared: what follows is the sending alone.
    if (!store.append(recordNumber(-1))) {
        die("append: " + store.health().detail);
    }
    drain();
    std::vector<double> plain, sending, appending;
    for (int run = 0; run < kRuns; ++run) {
        exec(connection, "TRUNCATE \"数据监测\"");
        plain.push_back(libpqMicroseconds(connection, count, 0));
        exec(connection, "DEALLOCATE insert");
        exec(connection, "TRUNCATE \"数据监测\"");

        // The sender alone: records put in the spool behind its back, then one appended, which
        // wakes it to send them all.
        {
            records::sql::Spool spool(QStringLiteral("records-spool.db"),
                                      records::sql::Spool::Use::Send);
            for (long n = 0; n < count - 1; ++n) {
                if (!spool.add(recordNumber(n), "bench", 0).ok()) {
                    die("spool");
                }
            }
        }
        const auto start = Clock::now();
        if (!store.append(recordNumber(count - 1))) {
            die("append: " + store.health().detail);
        }
        drain();
        sending.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() /
                          count);

        // What an append costs the logging thread, the sender running beside it.
        std::vector<double> each;
        for (long n = 0; n < 100; ++n) {
            const auto began = Clock::now();
            if (!store.append(recordNumber(count + n))) {
                die("append: " + store.health().detail);
            }
            each.push_back(std::chrono::duration<double, std::micro>(Clock::now() - began).count());
        }
        appending.push_back(median(each));
        drain();
    }
    PQfinish(connection);

    const double ratio = median(sending) / median(plain);
    std::printf("\n%-44s %10s\n", "records sent to the server", "us/record");
    std::printf("%-44s %10.1f\n", "plain libpq insert (prepared, one round trip)", median(plain));
    std::printf("%-44s %10.1f   %.2fx (target 1.5x: %s)\n", "the store's sender (with the spool)",
                median(sending), ratio, ratio <= 1.5 ? "met" : "MISSED");
    std::printf("%-44s %10.1f\n", "append on the logging thread (spool, synced)",
                median(appending));
    std::printf(
        "(medians of %d runs of %ld records each, taking turns; the server is the benchmark's "
        "own, on a Unix socket, fsync off)\n",
        kRuns, count);
    return ratio <= 1.5 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const long count = argc > 1 ? std::atol(argv[1]) : 3000;
    if (count < 100) {
        std::fprintf(stderr, "usage: server_store_bench [records >= 100]\n");
        return 1;
    }
    records_test::PostgresServer server;
    if (!server.problem().empty()) {
        std::fprintf(stderr, "server_store_bench: no PostgreSQL server: %s\n",
                     server.problem().c_str());
        return 1;
    }
    try {
        return measure(server, count);
    } catch (const std::runtime_error& failure) {
        std::fprintf(stderr, "server_store_bench: %s\n", failure.what());
        return 1;
    }
}
