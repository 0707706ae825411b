-- A store as the tool made it before it had lines, with rows in every
-- table. Kept as it was: stores like it are upgraded on opening.
-- The tool's database: settings, meter list with latest readings, history
-- snapshots and the operation log. Times are local time text
-- 'yyyy-MM-dd HH:mm:ss'; NULL is "no time".

CREATE TABLE kente (
    com      INTEGER,
    settings TEXT,
    noe      INTEGER,
    timer    INTEGER,
    timesj   INTEGER
);

CREATE TABLE yibiaodizhi (
    dizhi         INTEGER PRIMARY KEY,
    MinuteAverage TEXT DEFAULT '',
    danwei1       TEXT DEFAULT '',
    Foward        TEXT DEFAULT '',
    Reverse       TEXT DEFAULT '',
    danwei2       TEXT DEFAULT '',
    zhuangtai     TEXT DEFAULT '',
    liusu         TEXT DEFAULT '',
    baifenbi      TEXT DEFAULT '',
    dianzu        TEXT DEFAULT '',
    CreateTime    TEXT
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
    CreateTime    TEXT
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

INSERT INTO kente (com, settings, noe, timer, timesj) VALUES (3, '19200', 2, 250, 7);
INSERT INTO yibiaodizhi VALUES (3, '1.50', 'm3/h', '12.00', '0.00', 'm3', 'Communication OK', '0.50', '10.00', '900.00', '2026-12-01 08:00:00');
INSERT INTO yibiaodizhi (dizhi) VALUES (7);
INSERT INTO Historydata VALUES ('3', '1.25', 'm3/h', '11.00', '0.00', 'm3', 'Communication OK', '0.40', '9.00', '890.00', '2026-11-30 08:00:00');
INSERT INTO Historydata (dizhi, CreateTime) VALUES ('7', '2026-11-30 08:00:00');
INSERT INTO caozuo VALUES (1, 'SN7', 'Damping:', '2', '3', '2026-11-30 09:00:00');
INSERT INTO publish (enabled, host, port, topic_prefix, station, username, password, ca_file, qos)
    VALUES (0, 'localhost', 1883, 'rx7100', '', '', '', '', 1);
