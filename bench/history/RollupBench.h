#pragma once

#include <QString>

// The hourly rollups over a year of one-minute snapshots of 32 meters (about
// 17 million rows, made once in `folder`/rollups): built from nothing on a
// worker thread while an event loop turns, then consumption by month for all
// meters and by day for one, and the upkeep of one snapshot of 255 meters.
// In a child process; call before the application object is made.
bool measureRollups(const QString& folder, int runs);
