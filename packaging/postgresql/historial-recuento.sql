-- What the lab's figures count, added to the schema of version 1 without changing what a station
-- of an earlier cardcheck sends or may send: a column with the connections each ended check
-- names, sent by a newer station or else filled in by the server, and indexes that hold every
-- column the figures read. cardcheck runs it after historial-esquema.sql when it makes the schema
-- itself; historial-laboratorio.sql runs it every time. Run again, it changes nothing.
ALTER TABLE checks ADD COLUMN IF NOT EXISTS failed_connections integer;

-- From what every station sends: the inputs in failed_inputs (a crossed pair names both; a station
-- of an earlier cardcheck does not tell crossed from broken, so both count as broken), the analog
-- inputs out of range when test 6 failed, or a card that does not answer. Bits as the program
-- counts them: 0-7 broken inputs, 8-15 crossed ones, 16-19 analog inputs 1-4, 20 a silent card.
CREATE OR REPLACE FUNCTION failed_connections_sent(outcome text, failed_test integer, failed_inputs text,
                                                   record jsonb)
RETURNS integer LANGUAGE sql IMMUTABLE AS $$
    SELECT CASE
        WHEN outcome = 'running' THEN NULL
        WHEN outcome <> 'fail' THEN 0
        WHEN record->>'card_answers' = 'false' THEN 1 << 20
        ELSE coalesce((SELECT sum(DISTINCT 1 << (CASE WHEN failed_test = 6 THEN 15 ELSE 0 END + n::integer))
                       FROM unnest(string_to_array(failed_inputs, ', ')) AS n), 0)::integer
    END
$$;

CREATE OR REPLACE FUNCTION fill_failed_connections() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF NEW.failed_connections IS NULL THEN
        NEW.failed_connections := failed_connections_sent(NEW.outcome, NEW.failed_test, NEW.failed_inputs, NEW.record);
    END IF;
    RETURN NEW;
END
$$;
CREATE OR REPLACE TRIGGER checks_failed_connections BEFORE INSERT OR UPDATE ON checks
    FOR EACH ROW EXECUTE FUNCTION fill_failed_connections();

-- The checks kept before.
UPDATE checks SET failed_connections = failed_connections_sent(outcome, failed_test, failed_inputs, record)
    WHERE failed_connections IS NULL AND outcome <> 'running';

-- The whole lab's figures, one station's and one batch's (a label prefix: LIKE 'L7-%') each read
-- an index alone.
CREATE INDEX IF NOT EXISTS checks_counted ON checks (started)
    INCLUDE (station, card, kind, outcome, failed_connections, volts1, volts2, volts3, volts4);
CREATE INDEX IF NOT EXISTS checks_counted_by_station ON checks (station, started)
    INCLUDE (card, kind, outcome, failed_connections, volts1, volts2, volts3, volts4);
CREATE INDEX IF NOT EXISTS checks_counted_by_card ON checks (card text_pattern_ops, started)
    INCLUDE (station, kind, outcome, failed_connections, volts1, volts2, volts3, volts4);
