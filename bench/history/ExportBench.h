#pragma once

#include <QString>

// The history's exports and trend chart, for history-bench.

// Exports all ten million snapshots of the store in `folder` (comma, then
// semicolon), each in a child process that reports its time, CPU and peak
// resident memory. Call before the application object is made.
bool measureExports(const QString& folder);

// Makes, once, a store in `folder` of a year of one-minute snapshots of
// three meters, with their hour rollups, in a child process. Call before
// the application object.
bool makeTrendStore(const QString& folder);

// "Trend" on the history tab for meter 2 over that store's year: the time
// from the press to the chart drawn, and the read and reduction alone. In
// a child process of its own, so the chart's memory counts to no other
// figure; call before the application object is made.
bool measureTrend(const QString& folder, int runs);
