-- The tool's database: settings, meter list with latest readings, history
-- snapshots and the operation log. Times are local time text
-- 'yyyy-MM-dd HH:mm:ss'; NULL is "no time". A station has lines 1 to 16;
-- a meter is its line and its address.

-- Line 1's settings and the record interval. `com` is a port number N
-- (ports/comN) or a device path.
CREATE TABLE kente (
    com           INTEGER,
    settings      TEXT,
    noe           INTEGER,
    timer         INTEGER,
    timesj        INTEGER,
    line_name     TEXT DEFAULT 'Line 1',
    reply_timeout INTEGER DEFAULT 150,
    -- 1: a new alarm is also told by a desktop notification.
    desktop_notices INTEGER DEFAULT 0
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
    line          INTEGER DEFAULT 1
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

-- Publishing every reading to an MQTT broker: one row. An empty station
-- stands for the computer's host name; a CA file switches TLS on.
CREATE TABLE publish (
    enabled      INTEGER,
    host         TEXT,
    port         INTEGER,
    topic_prefix TEXT,
    station      TEXT,
    username     TEXT,
    password     TEXT,
    ca_file      TEXT,
    qos          INTEGER
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
INSERT INTO publish (enabled, host, port, topic_prefix, station, username, password, ca_file, qos)
    VALUES (0, 'localhost', 1883, 'rx7100', '', '', '', '', 1);
