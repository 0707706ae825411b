-- The tool's database: settings, meter list with latest readings, history
-- snapshots and the operation log. Times are local time text
-- 'yyyy-MM-dd HH:mm:ss'; NULL is "no time". A station has lines 1 to 16;
-- a meter is its line and its address. `read_at` is the same moment as
-- `CreateTime`, unambiguous: milliseconds since 1970 UTC (NULL in rows
-- stored before it was kept), so the hour repeated in autumn stays two.

-- Line 1's settings and the record interval. `com` is a port number N
-- (ports/comN) or a device path. `keep_days`: snapshots older than that
-- many days are pruned once the rollups hold them; 0 keeps them all.
CREATE TABLE kente (
    com           INTEGER,
    settings      TEXT,
    noe           INTEGER,
    timer         INTEGER,
    timesj        INTEGER,
    line_name     TEXT DEFAULT 'Line 1',
    reply_timeout INTEGER DEFAULT 150,
    -- 1: a new alarm is also told by a desktop notification.
    desktop_notices INTEGER DEFAULT 0,
    keep_days     INTEGER DEFAULT 0,
    -- Where the status page, JSON API and metrics are served ('' not at
    -- all), as ADDRESS:PORT, and the certificate and key files for HTTPS.
    http          TEXT DEFAULT '',
    http_certificate TEXT DEFAULT '',
    http_key      TEXT DEFAULT ''
);

-- Lines 2 to 16, each with what `kente` holds for line 1 and how it
-- reaches its bus.
CREATE TABLE lines (
    number        INTEGER PRIMARY KEY,
    name          TEXT,
    port          TEXT,
    baud          TEXT,
    parity        INTEGER,
    poll_period   INTEGER,
    reply_timeout INTEGER,
    -- 'serial', or a gateway on the network: 'rtu-tcp' or 'modbus-tcp'
    -- to host:tcp_port; times in ms.
    transport       TEXT DEFAULT 'serial',
    host            TEXT DEFAULT '',
    tcp_port        INTEGER DEFAULT 0,
    connect_timeout INTEGER DEFAULT 3000,
    request_gap     INTEGER DEFAULT 0,
    connect_pause   INTEGER DEFAULT 0
);

CREATE TABLE yibiaodizhi (
    dizhi         INTEGER NOT NULL,
    MinuteAverage TEXT DEFAULT '',
    danwei1       TEXT DEFAULT '',
    Foward        TEXT DEFAULT '',
    Reverse       TEXT DEFAULT '',
    danwei2       TEXT DEFAULT '',
    zhuangtai     TEXT DEFAULT '',
    liusu         TEXT DEFAULT '',
    baifenbi      TEXT DEFAULT '',
    dianzu        TEXT DEFAULT '',
    CreateTime    TEXT,
    line          INTEGER NOT NULL DEFAULT 1,
    read_at       INTEGER,
    PRIMARY KEY (line, dizhi)
);

-- Same columns as yibiaodizhi; the address is kept as text.
CREATE TABLE Historydata (
    dizhi         TEXT,
    MinuteAverage TEXT,
    danwei1       TEXT,
    Foward        TEXT,
    Reverse       TEXT,
    danwei2       TEXT,
    zhuangtai     TEXT,
    liusu         TEXT,
    baifenbi      TEXT,
    dianzu        TEXT,
    CreateTime    TEXT,
    line          INTEGER DEFAULT 1,
    read_at       INTEGER
);
CREATE INDEX Historydata_CreateTime ON Historydata (CreateTime);
CREATE INDEX Historydata_dizhi_CreateTime ON Historydata (dizhi, CreateTime);

CREATE TABLE caozuo (
    quanxian INTEGER,
    bianma   TEXT,
    xiangmu  TEXT,
    dudao    TEXT,
    xieru    TEXT,
    riqi     TEXT
);
CREATE INDEX caozuo_riqi ON caozuo (riqi);
CREATE INDEX caozuo_bianma_riqi ON caozuo (bianma, riqi);

-- One meter's hour of snapshots, kept as snapshots are stored, so reports
-- and long trends need not read the raw rows. `hour` is the hour's start in
-- seconds since 1970 UTC; the other times are milliseconds since 1970 UTC.
-- `forward` and `reverse` are the volumes the meter passed in the hour, in
-- cubic metres, with resets, wraps and glitches judged (NULL: no reading of
-- that totalizer touched the hour); `unit` is the meter's unit at the hour's
-- last total. `marks` says what they went through (reset 2, wrap 4, glitch
-- 8, unit change 16); whether the hour is estimated depends on the record
-- interval a report assumes, so the hour keeps what decides it: the
-- milliseconds of it that readings of each totalizer cover and its longest
-- step between two kept readings. The alarm columns are seconds in each
-- alarm. `forward_from` and `reverse_from` are the rowids of the last
-- readings kept by each totalizer, where folding picks up again after a
-- restart.
CREATE TABLE rollups (
    line          INTEGER NOT NULL,
    address       INTEGER NOT NULL,
    hour          INTEGER NOT NULL,
    first_at      INTEGER,
    first_forward REAL,
    first_reverse REAL,
    last_at       INTEGER,
    last_forward  REAL,
    last_reverse  REAL,
    unit          TEXT DEFAULT '',
    forward       REAL,
    reverse       REAL,
    marks         INTEGER DEFAULT 0,
    flow_min      REAL,
    flow_max      REAL,
    flow_sum      REAL DEFAULT 0,
    samples       INTEGER DEFAULT 0,
    excitation_s  INTEGER DEFAULT 0,
    low_battery_s INTEGER DEFAULT 0,
    empty_pipe_s  INTEGER DEFAULT 0,
    upper_limit_s INTEGER DEFAULT 0,
    lower_limit_s INTEGER DEFAULT 0,
    no_reply_s    INTEGER DEFAULT 0,
    forward_seen  INTEGER DEFAULT 0,
    reverse_seen  INTEGER DEFAULT 0,
    longest_step  INTEGER DEFAULT 0,
    forward_from  INTEGER DEFAULT 0,
    reverse_from  INTEGER DEFAULT 0,
    PRIMARY KEY (line, address, hour)
) WITHOUT ROWID;

-- How far the rollups reach: every `Historydata` row up to rowid `through`
-- is in them, so none of those is needed for a report; raw snapshots are
-- never pruned past it. One row; an older store gains the table empty,
-- which reads as nothing folded yet.
CREATE TABLE rollup_state (
    through INTEGER NOT NULL DEFAULT 0
);

-- Publishing every reading to an MQTT broker: one row. An empty station
-- stands for the computer's host name; a CA file switches TLS on;
-- discovery announces the meters to Home Assistant.
CREATE TABLE publish (
    enabled      INTEGER,
    host         TEXT,
    port         INTEGER,
    topic_prefix TEXT,
    station      TEXT,
    username     TEXT,
    password     TEXT,
    ca_file      TEXT,
    qos          INTEGER,
    discovery    INTEGER DEFAULT 0
);

-- Each alarm of a meter from when it came to when it went (NULL while it
-- lasts), and when and at which access level it was acknowledged. Times
-- are ms since 1970 UTC, so a daylight-saving change never blurs a
-- duration. Rows are kept for ever.
CREATE TABLE alarm_journal (
    line            INTEGER NOT NULL DEFAULT 1,
    address         INTEGER NOT NULL,
    alarm           TEXT NOT NULL,
    came            INTEGER NOT NULL,
    went            INTEGER,
    acknowledged_at INTEGER,
    acknowledged_by INTEGER
);
CREATE INDEX alarm_journal_came ON alarm_journal (came);
CREATE INDEX alarm_journal_open ON alarm_journal (line, address, alarm) WHERE went IS NULL;

INSERT INTO kente (com, settings, noe, timer, timesj) VALUES (1, '9600', 0, 500, 5);
INSERT INTO yibiaodizhi (dizhi) VALUES (1);
INSERT INTO rollup_state (through) VALUES (0);
INSERT INTO publish (enabled, host, port, topic_prefix, station, username, password, ca_file, qos)
    VALUES (0, 'localhost', 1883, 'rx7100', '', '', '', '', 1);
