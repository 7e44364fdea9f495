-- Fills the lab history's table checks with made-up checks, for measuring how its lists read:
--   psql -d historial -v rows=1000000 -v stations=100 -v cards=2000 -f bench/lab_history_fill.sql
-- (those are the defaults). Check i is made by station i % stations on card i * 7919 % cards, one
-- every 90 s from 2023 on, so that one card's checks lie all over the table, as after a lab's
-- years; one in 12 fails and one in 50 was cut short. Made on the server, in one statement.
\set ON_ERROR_STOP on
\if :{?rows}
\else
\set rows 1000000
\endif
\if :{?stations}
\else
\set stations 100
\endif
\if :{?cards}
\else
\set cards 2000
\endif
INSERT INTO checks (uuid, station, started, finished, card, kind, mode, outcome, owner, summary, failed_test,
                    failed_inputs, port, version, volts1, volts2, volts3, volts4, record)
SELECT gen_random_uuid(), station, started, CASE WHEN outcome <> 'interrupted' THEN started + interval '37 s' END,
       card, kind, mode, outcome, NULL,
       CASE WHEN outcome = 'fail' THEN 'test 1, paso 3: entradas 3, 5' ELSE '' END,
       CASE WHEN outcome = 'fail' THEN 1 END, CASE WHEN outcome = 'fail' THEN '3, 5' END,
       '/dev/parport0', '1.0.0', 4.98, 4.97, 4.99, 4.96,
       jsonb_build_object('version', '1.0.0', 'port', '/dev/parport0', 'card', card, 'station', station,
                          'kind', kind, 'mode', mode, 'outcome', outcome, 'started', started,
                          'lines', jsonb_build_array('TEST 1 CORRECTO', 'TEST 2 CORRECTO', 'TEST 3 CORRECTO',
                                                     'TEST 4 CORRECTO', 'TEST 5 CORRECTO', 'TEST 6 CORRECTO'),
                          'analog', jsonb_build_array(jsonb_build_array(4.98, 4.97, 4.99, 4.96)))
FROM (SELECT format('puesto%s', lpad((i % :stations)::text, 3, '0')) AS station,
             format('T-%s', lpad((i::bigint * 7919 % :cards)::text, 4, '0')) AS card,
             timestamptz '2023-01-09 08:00:00+00' + i * interval '90 s' AS started,
             CASE WHEN i % 10 = 0 THEN 'analog' ELSE 'sequence' END AS kind,
             (ARRAY['window', 'headless', 'batch'])[i % 3 + 1] AS mode,
             CASE WHEN i % 50 = 0 THEN 'interrupted' WHEN i % 12 = 0 THEN 'fail' ELSE 'pass' END AS outcome
      FROM generate_series(1, :rows) AS i) AS made;
ANALYZE checks;
