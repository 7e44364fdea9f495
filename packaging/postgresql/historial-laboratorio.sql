-- The lab history of cardcheck on a PostgreSQL server, for the server's administrator:
--   sudo -u postgres psql -f /usr/share/cardcheck/historial-laboratorio.sql
-- Makes the owner role cardcheck_admin (NOLOGIN: give it LOGIN and a password to work as it), the
-- group role puestos, the database historial and its schema (historial-esquema.sql, beside this
-- file) with what later versions added (historial-recuento.sql). Run again, it keeps what is
-- there, adds what a later cardcheck needs, and grants again. Each station is then a login role of
-- its own in puestos, for example:
--   CREATE ROLE puesto07 LOGIN PASSWORD 'secreto' IN ROLE puestos;
\set ON_ERROR_STOP on
SELECT 'CREATE ROLE cardcheck_admin NOLOGIN'
    WHERE NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'cardcheck_admin') \gexec
SELECT 'CREATE ROLE puestos NOLOGIN'
    WHERE NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'puestos') \gexec
SELECT 'CREATE DATABASE historial OWNER cardcheck_admin ENCODING ''UTF8'' TEMPLATE template0'
    WHERE NOT EXISTS (SELECT FROM pg_database WHERE datname = 'historial') \gexec
-- Only stations (and the owner) connect.
REVOKE ALL ON DATABASE historial FROM PUBLIC;
GRANT CONNECT ON DATABASE historial TO puestos;

\connect historial
SET ROLE cardcheck_admin;
SELECT to_regclass('public.schema_version') IS NULL AS schema_missing \gset
\if :schema_missing
BEGIN;
\ir historial-esquema.sql
COMMIT;
\endif
-- What a later cardcheck added to the schema; a lab made before gets it here.
BEGIN;
\ir historial-recuento.sql
COMMIT;

-- Stations add checks, read them all and complete the columns a check's end fills in; they can
-- neither delete a row nor change which check, station or login it is.
GRANT USAGE ON SCHEMA public TO puestos;
GRANT SELECT, INSERT ON checks TO puestos;
GRANT UPDATE (finished, card, outcome, owner, summary, failed_test, failed_inputs, port, version,
              volts1, volts2, volts3, volts4, record, failed_connections) ON checks TO puestos;
GRANT SELECT ON schema_version TO puestos;
RESET ROLE;
