#pragma once

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// What history-bench's parts share: making a large store and reporting times.

// Runs one statement; says on stderr what failed.
bool run(QSqlDatabase& db, const QString& sql);

// The application object a child process makes for itself.
enum class ChildApp { Core, Widgets };

// Runs `work` in a child process with an application object of its own
// (offscreen widgets unless a platform is set), and waits for it: true
// when `work` returned true. None may exist yet in this process.
bool inChildProcess(ChildApp app, const std::function<bool()>& work);

// Removes a store with its log and shared-memory file.
void removeStore(const QString& path);

// Makes a store at `path` in a child process, so its page cache does not
// count towards the measured process's memory: the starting database
// listing meters 1 to `meters`, filled by `statements` in one transaction
// with the indexes made afterwards. Call before the application object.
bool makeStore(const QString& path, int meters, const QStringList& statements);

double ms(const QElapsedTimer& timer);

// The median, minimum and maximum of `times`, in milliseconds.
void report(const char* what, std::vector<double> times);
