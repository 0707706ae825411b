#include "StatusPage.h"

namespace {

// Data is only ever set as textContent: a line name or a status text is
// shown as typed, never read as markup.
constexpr char page[] = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>RX7100 station</title>
<style>
body { font: 15px/1.4 system-ui, sans-serif; margin: 0 auto; padding: 12px; max-width: 1400px;
       color: #222; background: #fff; }
h1 { font-size: 1.35em; margin: 0 0 6px; }
h2 { font-size: 1.1em; margin: 20px 0 6px; }
#notice { background: #fde8e8; color: #900; padding: 8px 10px; border-radius: 4px; margin: 8px 0; }
#notice:empty { display: none; }
dl { display: grid; grid-template-columns: max-content 1fr; gap: 2px 14px; margin: 0; }
dt { color: #666; }
dd { margin: 0; }
.scroll { overflow-x: auto; -webkit-overflow-scrolling: touch; }
table { border-collapse: collapse; width: 100%; }
th, td { padding: 5px 8px; border-bottom: 1px solid #ddd; text-align: left; white-space: nowrap; }
th { background: #f3f3f3; font-weight: 600; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
td.status, td.time.bad { white-space: normal; min-width: 9em; }
.bad { color: #b00; font-weight: 600; }
.none { color: #666; }
/* A phone shows each row as a card of labelled values. */
@media (max-width: 480px) {
  body { font-size: 14px; padding: 8px; }
  thead { display: none; }
  tr { display: block; border-bottom: 1px solid #bbb; padding: 4px 0; }
  td, td.n { display: flex; justify-content: space-between; gap: 12px; border: 0;
             padding: 1px 4px; text-align: right; white-space: normal; min-width: 0; }
  td::before { content: attr(data-label); color: #666; font-weight: normal; text-align: left; }
}
</style>
</head>
<body>
<h1 id="station">RX7100 station</h1>
<p id="notice" role="status"></p>
<dl>
<dt>Version</dt><dd id="version"></dd>
<dt>Reading</dt><dd id="reading"></dd>
<dt>Started</dt><dd id="started"></dd>
<dt>Last snapshot</dt><dd id="snapshot"></dd>
<dt>Publishing</dt><dd id="publishing"></dd>
<dt>Updated</dt><dd id="taken"></dd>
</dl>
<h2>Lines</h2>
<div class="scroll"><table id="lines">
<thead><tr><th>Line</th><th>Port</th><th>Health</th><th>Requests</th><th>Stored</th>
<th>No reply</th><th>CRC drops</th></tr></thead><tbody></tbody></table></div>
<h2>Meters</h2>
<div class="scroll"><table id="meters">
<thead><tr><th>Line</th><th>Meter</th><th>Flow rate</th><th>Forward total</th>
<th>Reverse total</th><th>Speed m/s</th><th>Span %</th><th>Impedance &#8486;</th><th>Status</th>
<th>Stored</th></tr></thead><tbody></tbody></table></div>
<h2>Active alarms</h2>
<p id="no-alarms" class="none">None</p>
<div class="scroll"><table id="alarms">
<thead><tr><th>Line</th><th>Meter</th><th>Alarm</th><th>Since</th><th>Acknowledged</th></tr>
</thead><tbody></tbody></table></div>
<script>
"use strict";
const $ = (id) => document.getElementById(id);
const when = (iso) => (iso ? iso.slice(0, 19).replace("T", " ") : "\u2014");
const both = (value, unit) => (value == null ? "" : unit ? value + " " + unit : value);
function set(id, text) { $(id).textContent = text; }
function cell(row, text, className) {
  const td = row.insertCell();
  td.textContent = text == null ? "" : String(text);
  if (className) td.className = className;
}
function fill(id, items, draw) {
  const body = document.createElement("tbody");
  for (const item of items) draw(body.insertRow(), item);
  const heads = Array.from($(id).tHead.rows[0].cells, (th) => th.textContent);
  for (const row of body.rows) for (const td of row.cells) td.dataset.label = heads[td.cellIndex];
  $(id).tBodies[0].replaceWith(body);
}
// A station that wants a token is opened as .../#token=TOKEN: the part
// after # never leaves the browser but in the Authorization header.
const token = new URLSearchParams(location.hash.slice(1)).get("token");
const headers = token ? { Authorization: "Bearer " + token } : {};
async function get(name) {
  const reply = await fetch("api/v1/" + name, { cache: "no-store", headers });
  if (reply.status === 401) throw new Error("This station needs a token");
  if (!reply.ok) throw new Error("Station not reachable");
  return reply.json();
}
function draw(station, lines, meters, alarms) {
  set("station", station.station);
  document.title = station.station + " \u2013 RX7100";
  set("version", station.version);
  set("reading", station.reading ? "Reading" : "Stopped");
  set("started", when(station.startedAt));
  set("snapshot", when(station.lastSnapshot));
  set("publishing", station.publishing.enabled ? station.publishing.status : "Off");
  set("taken", when(station.takenAt));
  fill("lines", lines, (row, line) => {
    row.dataset.line = line.number;
    cell(row, line.number + " " + line.name, "name");
    cell(row, line.port, "port");
    const bad = line.health === "lost" || line.health === "silent";
    cell(row, line.health, bad ? "health bad" : "health");
    cell(row, line.counts.requests, "n requests");
    cell(row, line.counts.stored, "n stored");
    cell(row, line.counts.noReply, "n noreply");
    cell(row, line.counts.crcDrops, "n crc");
  });
  fill("meters", meters, (row, m) => {
    row.dataset.meter = m.line + "-" + m.address;
    cell(row, m.line, "line");
    cell(row, m.address, "address");
    cell(row, both(m.flowRate, m.flowRateUnit), "n flow");
    cell(row, both(m.forwardTotal, m.totalizerUnit), "n forward");
    cell(row, both(m.reverseTotal, m.totalizerUnit), "n reverse");
    cell(row, m.flowSpeed, "n speed");
    cell(row, m.spanPercentage, "n span");
    cell(row, m.electrodeImpedance, "n impedance");
    cell(row, m.status && m.status.replace(/,(?! )/g, ", "), "status");
    cell(row, m.noReply || when(m.time), m.noReply ? "time bad" : "time");
  });
  $("no-alarms").hidden = alarms.length > 0;
  $("alarms").hidden = alarms.length === 0;
  fill("alarms", alarms, (row, a) => {
    row.dataset.alarm = a.line + "-" + a.address;
    cell(row, a.line, "line");
    cell(row, a.address, "address");
    cell(row, a.alarm, "alarm bad");
    cell(row, when(a.since), "since");
    cell(row, a.acknowledged ? "Level " + a.acknowledgedBy + ", " + when(a.acknowledgedAt) : "No",
         "acknowledged");
  });
}
async function update() {
  try {
    const [station, lines, meters, alarms] =
      await Promise.all(["station", "lines", "meters", "alarms"].map(get));
    draw(station, lines, meters, alarms);
    set("notice", "");
  } catch (error) {
    // The last values stay on show.
    const refused = error.message === "This station needs a token";
    set("notice", refused ? "This station needs a token: open this page as " +
        location.href.split("#")[0] + "#token=TOKEN" : "Station not reachable");
  }
  setTimeout(update, 2000);
}
update();
</script>
</body>
</html>
)html";

} // namespace

QByteArray StatusPage::html() {
    return QByteArray::fromRawData(page, sizeof page - 1);
}
