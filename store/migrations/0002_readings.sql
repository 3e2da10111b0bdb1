-- The merge of the history as the database's own, for Datapond and for those who chart or
-- report with other tools: every reading once, and its figures a day.

-- Every valid reading of every download, in the order of the folder history (n, then the
-- record's position), each placed where its record was first placed: a meter still holding
-- last year's records would otherwise have them again in this year. Dissolved-oxygen downloads
-- kept without an answer take the units given, and are left out for 'none'.
CREATE FUNCTION datapond.placed(unanswered text)
RETURNS TABLE (n bigint, "position" integer, meter text, downloaded text, location text, type integer, at bigint,
               value real, temperature real)
LANGUAGE sql STABLE AS $$
  WITH downloads AS (
    SELECT d.id, d.meter, c.downloaded,
           CASE WHEN c.units = 'none' AND d.meter = 'do' THEN unanswered ELSE c.units END AS units,
           row_number() OVER (ORDER BY left(d.kept_as, 16), length(d.kept_as), d.kept_as, d.checksum) AS n
    FROM datapond.download d JOIN datapond.corrected c ON c.download = d.id)
  SELECT d.n, x.position, d.meter, d.downloaded, x.location, x.type,
         first_value(x.at) OVER (PARTITION BY d.meter, r.registers ORDER BY d.n, x.position), x.value, x.temperature
  FROM downloads d
  JOIN datapond.reading x ON x.download = d.id AND x.units = d.units AND x.downloaded = d.downloaded
  JOIN datapond.record r ON r.download = x.download AND r.position = x.position
$$;

-- The reading types by their codes, as Datapond names them; Datapond fills it in.
CREATE TABLE datapond.reading_type (
  code integer PRIMARY KEY,
  name text NOT NULL,   -- as the command line names it: ph, do-mgl, ...
  label text NOT NULL   -- as the files label it: pH, D.O. (mg/l), ...
);

-- Every reading once, with the most copies one download holds of it. Its time is the
-- meter's local time.
CREATE VIEW datapond.every_reading AS
SELECT p.location, t.name AS type, timestamp '1601-01-01' + p.at / 10 * interval '1 microsecond' AS at,
       p.value, p.temperature, max(p.held) AS copies
FROM (SELECT location, type, at, value, temperature, count(*) AS held
      FROM datapond.placed('none') GROUP BY location, type, at, value, temperature, n) p
JOIN datapond.reading_type t ON t.code = p.type
GROUP BY p.location, t.name, p.at, p.value, p.temperature;

-- Each location's readings of a type on a day: how many, and their least, mean and greatest.
CREATE VIEW datapond.daily AS
SELECT location, type, at::date AS day, count(*) AS readings, min(value) AS least, avg(value)::real AS mean,
       max(value) AS greatest
FROM datapond.every_reading GROUP BY location, type, at::date;

GRANT SELECT ON datapond.reading_type, datapond.every_reading, datapond.daily TO datapond_reader, datapond_writer;
