-- Zentovia: a class's notebook on the school's PostgreSQL server.
--
-- Run once per class, in the class's own database, as a superuser (or as the
-- database's owner, once the two roles below exist):
--
--     createdb zentovia_3a
--     psql -v ON_ERROR_STOP=1 -d zentovia_3a -f /usr/share/zentovia/zentovia-server.sql
--
-- It makes the tables, at version 1 of the class's database, and two roles
-- that nobody logs in as; the school's login users are made members of them:
--
--     zentovia_alunni      the children's computers: add answers and read
--                          them, never change or delete one;
--     zentovia_insegnanti  the teacher: the same, and may erase a child's
--                          answers.
--
-- For instance, as a superuser (each password then goes in the ~/.pgpass of
-- whoever uses that login, never in Zentovia's settings):
--
--     CREATE ROLE aula_3a LOGIN PASSWORD 'una password lunga' IN ROLE zentovia_alunni;
--     CREATE ROLE maestra_rossi LOGIN PASSWORD 'un''altra password' IN ROLE zentovia_insegnanti;
--
-- The roles are the server's, shared by every class's database; the tables
-- are the database's. Running the file a second time stops at the first
-- table that is already there, and changes nothing.

BEGIN;

DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'zentovia_alunni') THEN
        CREATE ROLE zentovia_alunni NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'zentovia_insegnanti') THEN
        CREATE ROLE zentovia_insegnanti NOLOGIN;
    END IF;
END
$$;
GRANT zentovia_alunni TO zentovia_insegnanti;

-- One row: the version of this layout, which the program checks before it
-- writes, and the random name of this database, under which each computer
-- keeps the mark of what it has sent here.
CREATE TABLE zentovia_version (
    version integer NOT NULL,
    archive uuid NOT NULL DEFAULT gen_random_uuid(),
    one_row boolean PRIMARY KEY DEFAULT true CHECK (one_row)
);
INSERT INTO zentovia_version (version) VALUES (1);

-- Every answer of every child of the class, once: an answer is known by its
-- computer (the random number of that computer's notebook) and its number
-- there, so that an answer sent twice is kept once.
CREATE TABLE zentovia_answers (
    computer text NOT NULL,
    number bigint NOT NULL,
    child_key text NOT NULL,            -- the name with case ignored
    child text NOT NULL,                -- the name as typed
    times_table smallint NOT NULL CHECK (times_table BETWEEN 1 AND 10),
    multiplier smallint NOT NULL CHECK (multiplier BETWEEN 1 AND 10),
    at timestamp NOT NULL,              -- the computer's local time
    utc_offset smallint NOT NULL,       -- minutes east of UTC, then
    typed text NOT NULL,
    outcome smallint NOT NULL CHECK (outcome BETWEEN 0 AND 2), -- right, wrong, skipped
    tenths integer NOT NULL CHECK (tenths >= 0),
    mode text NOT NULL CHECK (mode IN ('gara', 'ripasso')),
    received timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (computer, number)
);

-- A child's grid: their answers fact by fact, oldest first, read off the
-- index alone.
CREATE INDEX zentovia_answers_by_fact
    ON zentovia_answers (child_key, times_table, multiplier, at) INCLUDE (outcome, tenths);

REVOKE ALL ON zentovia_version, zentovia_answers FROM PUBLIC;
GRANT SELECT ON zentovia_version TO zentovia_alunni;
GRANT SELECT, INSERT ON zentovia_answers TO zentovia_alunni;
GRANT DELETE ON zentovia_answers TO zentovia_insegnanti;

COMMIT;
