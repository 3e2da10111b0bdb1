-- The kept downloads, their records, their corrections and their readings as decoded.
-- Everything here only grows: a kept download is the meter's word and is never changed.

CREATE SCHEMA datapond;

-- The steps of this schema applied so far, one row each.
CREATE TABLE datapond.migration (
  version integer PRIMARY KEY,
  name text NOT NULL,
  applied timestamptz NOT NULL DEFAULT now(),
  applied_by name NOT NULL DEFAULT current_user
);

-- Each kept download once, as its file holds it, named by the SHA-256 of its bytes: the same
-- download kept on two laptops is one row, and a row cannot hold other bytes than it names.
CREATE TABLE datapond.download (
  id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  checksum text NOT NULL UNIQUE CHECK (checksum = encode(sha256(kept), 'hex')),
  kept bytea NOT NULL,
  kept_as text NOT NULL,     -- its id in the folder it was first synced from, 20261207-101542-1
  meter text NOT NULL CHECK (meter IN ('do', 'ss', 'multi')),
  downloaded text NOT NULL,  -- when it was read, with the offset from UTC, as kept
  units text NOT NULL CHECK (units IN ('none', 'mg/l', 'sat')),  -- as kept
  added timestamptz NOT NULL DEFAULT now(),
  added_by name NOT NULL DEFAULT current_user
);

-- Every record of a download as the meter holds it, empty slots too: 16-bit registers,
-- high byte first.
CREATE TABLE datapond.record (
  download bigint NOT NULL REFERENCES datapond.download,
  position integer NOT NULL CHECK (position >= 0),
  registers bytea NOT NULL,
  PRIMARY KEY (download, position)
);

-- What a user mended in a download (a wrong units answer, a wrong date on the computer that
-- read it): the field, its text before and after, and when, as the corrections log writes them.
CREATE TABLE datapond.correction (
  id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  download bigint NOT NULL REFERENCES datapond.download,
  made text NOT NULL,
  made_at timestamptz NOT NULL,  -- the same moment, for ordering
  field text NOT NULL CHECK (field IN ('units', 'downloaded')),
  was text NOT NULL,
  now text NOT NULL,
  added timestamptz NOT NULL DEFAULT now(),
  added_by name NOT NULL DEFAULT current_user,
  UNIQUE (download, made, field, was, now)
);

-- A download's records decoded by Datapond itself for the units and the date that place them:
-- those it was kept with, those its corrections give, and for a dissolved-oxygen download kept
-- without an answer, both units. A row here says its valid readings are all in `reading`.
CREATE TABLE datapond.decoding (
  download bigint NOT NULL REFERENCES datapond.download,
  units text NOT NULL,       -- none, mg/l or sat
  downloaded text NOT NULL,  -- the moment whose date placed the readings in their year
  PRIMARY KEY (download, units, downloaded)
);

-- The valid readings of a decoding, by the position of their record.
CREATE TABLE datapond.reading (
  download bigint NOT NULL,
  units text NOT NULL,
  downloaded text NOT NULL,
  position integer NOT NULL,
  location text NOT NULL,
  type integer NOT NULL,          -- the reading type's code
  at bigint NOT NULL,             -- 100-nanosecond ticks from 1601, local time, placed by the date
  value real NOT NULL,
  temperature real NOT NULL,      -- degrees Celsius; 0 for a meter that logs none
  PRIMARY KEY (download, units, downloaded, position),
  FOREIGN KEY (download, units, downloaded) REFERENCES datapond.decoding,
  FOREIGN KEY (download, position) REFERENCES datapond.record
);

-- Each download's units and date as its corrections leave them: the last correction of a
-- field stands.
CREATE VIEW datapond.corrected AS
SELECT d.id AS download, d.meter,
       coalesce((SELECT c.now FROM datapond.correction c WHERE c.download = d.id AND c.field = 'units'
                 ORDER BY c.made_at DESC, c.id DESC LIMIT 1), d.units) AS units,
       coalesce((SELECT c.now FROM datapond.correction c WHERE c.download = d.id AND c.field = 'downloaded'
                 ORDER BY c.made_at DESC, c.id DESC LIMIT 1), d.downloaded) AS downloaded
FROM datapond.download d;

-- Who may do what: writers add downloads and corrections, readers read. Neither changes or
-- deletes a row; people are made members of one or the other.
DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'datapond_writer') THEN
    CREATE ROLE datapond_writer NOLOGIN;
  END IF;
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'datapond_reader') THEN
    CREATE ROLE datapond_reader NOLOGIN;
  END IF;
END $$;

GRANT USAGE ON SCHEMA datapond TO datapond_writer, datapond_reader;
GRANT SELECT ON ALL TABLES IN SCHEMA datapond TO datapond_reader, datapond_writer;
GRANT INSERT ON datapond.download, datapond.record, datapond.correction, datapond.decoding, datapond.reading
  TO datapond_writer;
