#pragma once

#include <QString>
#include <QStringList>

// The folder the tool works in: its database and its ports/ links.
//  - a folder named on the command line, taken as it is;
//  - else the program's own folder when it holds a database this user may
//    write (a portable folder, as the demo makes);
//  - else the user's data folder, which the first start fills with a copy
//    of the starting database.
// The tool never makes a database from nothing: a chosen folder without
// one, or a user folder with nothing to copy, fails at start-up as before.
class DataFolder {
public:
    enum class Kind { Chosen, Program, User };

    struct Places {
        QString programDir;
        QString userDir;
        // Where the starting database of this installation is installed.
        QString startingDatabase;
    };
    // This installation's places: the executable's folder, the user's
    // application data folder, and the starting database installed in the
    // data folder that goes with the executable's (../share/rx7100-tool).
    static Places standardPlaces();

    // `chosen` empty: decide among the places, preparing the user folder
    // when it is the one.
    static DataFolder choose(const Places& places, const QString& chosen = {});

    // True when this user may create files in `folder` and read and write
    // its database (effective ids, as opening them will check).
    static bool isWritableWithDatabase(const QString& folder);

    QString path() const { return m_path; }
    Kind kind() const { return m_kind; }
    // The database was copied in by this choice.
    bool copiedStartingDatabase() const { return m_copied; }
    // Why the user folder could not be prepared; empty when it could.
    QString problem() const { return m_problem; }
    // What this choice changed that the operator should hear of once: a
    // user folder that others could open, tightened. Empty when nothing.
    QString note() const { return m_note; }

private:
    void prepareUserFolder(const Places& places);
    // The database and its -wal/-shm for this user alone; SQLite gives the
    // journal files the database's own mode when it makes them.
    void restrictDatabaseFiles();

    QString m_path;
    Kind m_kind = Kind::Chosen;
    bool m_copied = false;
    QString m_problem;
    QString m_note;
};
