-- The lab history's schema, version 1. cardcheck runs these statements itself, in one
-- transaction, when it finds no schema and its role may create one; historial-laboratorio.sql runs
-- them for a lab's administrator. The table checks has the columns of each station's own history.
CREATE TABLE checks (
    uuid uuid PRIMARY KEY,                       -- made by the station
    station text NOT NULL CHECK (char_length(station) BETWEEN 1 AND 64),
    login name NOT NULL DEFAULT current_user,    -- the role that sent it: only it may complete it
    started timestamptz NOT NULL,
    finished timestamptz,                        -- NULL while it runs
    card text,                                   -- NULL when no label was given
    kind text NOT NULL CHECK (kind IN ('sequence', 'analog')),
    mode text NOT NULL CHECK (mode IN ('window', 'headless', 'batch')),
    outcome text NOT NULL CHECK (outcome IN ('running', 'pass', 'fail', 'interrupted')),
    owner text,                                  -- the program that writes it while it runs
    summary text,                                -- what failed, in a few words
    failed_test integer,
    failed_inputs text,                          -- '3, 5'
    port text,
    version text,
    volts1 double precision,                     -- the last analog reading
    volts2 double precision,
    volts3 double precision,
    volts4 double precision,
    record jsonb,                                -- the check's whole JSON document
    received timestamptz NOT NULL DEFAULT now()
)
-- Vacuumed after every 1 % of new or changed rows, so that the lists below can keep reading from
-- their indexes alone.
WITH (autovacuum_vacuum_insert_scale_factor = 0.01, autovacuum_vacuum_scale_factor = 0.01);
CREATE INDEX checks_by_started ON checks (started DESC);
-- A card's or a station's list reads from its index alone, wherever its checks lie in the table.
CREATE INDEX checks_by_card ON checks (card, started DESC)
    INCLUDE (uuid, station, finished, kind, mode, outcome, owner, summary, failed_test, failed_inputs);
CREATE INDEX checks_by_station ON checks (station, started DESC)
    INCLUDE (uuid, card, finished, kind, mode, outcome, owner, summary, failed_test, failed_inputs);
CREATE INDEX checks_by_outcome ON checks (outcome, started DESC);

-- Who may do what is given by grants; these policies then say which rows: every check is read by
-- all, and a check is added and completed only under the login role that adds it. No policy
-- allows DELETE. The table's owner is not bound by them.
ALTER TABLE checks ENABLE ROW LEVEL SECURITY;
CREATE POLICY checks_read ON checks FOR SELECT USING (true);
CREATE POLICY checks_add ON checks FOR INSERT WITH CHECK (login = current_user);
CREATE POLICY checks_complete ON checks FOR UPDATE USING (login = current_user) WITH CHECK (login = current_user);

-- One row: the version of this schema, for a later cardcheck to migrate it step by step.
CREATE TABLE schema_version (version integer NOT NULL);
CREATE UNIQUE INDEX schema_version_one_row ON schema_version ((true));
INSERT INTO schema_version (version) VALUES (1);
