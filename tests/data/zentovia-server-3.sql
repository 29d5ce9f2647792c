-- Zentovia: a class's notebook on the school's PostgreSQL server, version 3.
--
-- Run in the class's own database, as a superuser (or as the database's
-- owner, once the two roles below exist): once to prepare a new class, and
-- once again to bring a class prepared by an earlier Zentovia (version 1 or
-- 2) up to date, every answer kept:
--
--     createdb zentovia_3a
--     psql -v ON_ERROR_STOP=1 -d zentovia_3a -f /usr/share/zentovia/zentovia-server.sql
--
-- It makes two roles that nobody logs in as; the school's login users are
-- made members of them:
--
--     zentovia_alunni      the children's computers: add their own answers,
--                          read one child's answers by name (for a ripasso)
--                          and that child's time for a fact; nothing else;
--     zentovia_insegnanti  the teacher: read the whole class, keep the class
--                          list, join a name to another, erase a child's
--                          answers, set a child's time for a fact.
--
-- The roles are the server's, shared by every class; the database is the
-- class's: nobody may connect to it until the administrator says so, login by
-- login, so that the teacher of the 3A reaches the 3A's answers and no other
-- class's:
--
--     CREATE ROLE aula_3a LOGIN PASSWORD 'una password lunga' IN ROLE zentovia_alunni;
--     CREATE ROLE maestra_rossi LOGIN PASSWORD 'un''altra password' IN ROLE zentovia_insegnanti;
--     GRANT CONNECT ON DATABASE zentovia_3a TO aula_3a, maestra_rossi;
--
-- Running the file again on a database of this version changes nothing.

BEGIN;

DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'zentovia_alunni') THEN
        CREATE ROLE zentovia_alunni NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'zentovia_insegnanti') THEN
        CREATE ROLE zentovia_insegnanti NOLOGIN;
    END IF;
    EXECUTE format('REVOKE CONNECT, TEMPORARY ON DATABASE %I FROM PUBLIC', current_database());
END
$$;
GRANT zentovia_alunni TO zentovia_insegnanti;
REVOKE CREATE ON SCHEMA public FROM PUBLIC;

-- One row: the version of this layout, which the program checks before it
-- writes, and the random id of this database ("archive"), under which each
-- computer keeps the mark of what it has sent here.
CREATE TABLE IF NOT EXISTS zentovia_version (
    version integer NOT NULL,
    archive uuid NOT NULL DEFAULT gen_random_uuid(),
    one_row boolean PRIMARY KEY DEFAULT true CHECK (one_row)
);
INSERT INTO zentovia_version (version) VALUES (3) ON CONFLICT (one_row) DO NOTHING;

-- Every answer of every child of the class, once: an answer is known by its
-- computer (the random id of that computer's notebook) and its number there.
CREATE TABLE IF NOT EXISTS zentovia_answers (
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
CREATE INDEX IF NOT EXISTS zentovia_answers_by_fact
    ON zentovia_answers (child_key, times_table, multiplier, at) INCLUDE (outcome, tenths);

-- Each computer's secret (its hash), given with its first answer: no other
-- login adds answers under that computer's id.
CREATE TABLE IF NOT EXISTS zentovia_computers (
    computer text PRIMARY KEY,
    secret text NOT NULL,
    first_seen timestamptz NOT NULL DEFAULT now()
);

-- The teacher's erases: every answer of the child given up to that moment
-- is gone, on the server and, as each computer reaches it, on every
-- computer of the class.
CREATE TABLE IF NOT EXISTS zentovia_erased (
    child_key text PRIMARY KEY,
    erased timestamptz NOT NULL
);

-- The class's settings for each child, set by the teacher.
CREATE TABLE IF NOT EXISTS zentovia_children (
    child_key text PRIMARY KEY,
    fact_seconds smallint NOT NULL CHECK (fact_seconds IN (3, 6, 12))
);

-- And the time of a child's contest, in minutes (0: no clock; none: the
-- seven minutes); each setting empty until the teacher chooses it.
ALTER TABLE zentovia_children ALTER COLUMN fact_seconds DROP NOT NULL;
ALTER TABLE zentovia_children ADD COLUMN IF NOT EXISTS contest_minutes smallint
    CHECK (contest_minutes IN (0, 7, 10));

-- The class list, kept by the teacher: the names the children's computers
-- offer in the name box.
CREATE TABLE IF NOT EXISTS zentovia_roster (
    child_key text PRIMARY KEY,
    name text NOT NULL,
    added timestamptz NOT NULL DEFAULT now()
);

-- The tables to work on, until a day: for the whole class (child_key '') or
-- for one child.
CREATE TABLE IF NOT EXISTS zentovia_assignments (
    child_key text PRIMARY KEY,
    tables smallint[] NOT NULL CHECK (cardinality(tables) > 0 AND 1 <= ALL (tables)
                                      AND 10 >= ALL (tables)),
    until date NOT NULL
);

-- A name the teacher joined to another (a name typed otherwise, or a child
-- renamed): answers that come under the old name are the new one's.
CREATE TABLE IF NOT EXISTS zentovia_renamed (
    child_key text PRIMARY KEY,
    new_key text NOT NULL,
    new_name text NOT NULL
);

-- The name a child's answers go under.
CREATE OR REPLACE FUNCTION zentovia_key(p_child_key text) RETURNS text
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT coalesce((SELECT new_key FROM zentovia_renamed WHERE child_key = p_child_key),
                    p_child_key)
$$;

-- A computer's answers, as a JSON array of objects (number, child_key,
-- child, times_table, multiplier, at, utc_offset, typed, outcome, tenths,
-- mode), under the names the teacher joined them to. Answers its earlier ids (parents: the ids of the notebook it was
-- copied from) hold as they are stay there, once; answers of a child erased
-- since are dropped. When the server holds one of these numbers for this
-- computer with other content, the computer is a copy of another: nothing is
-- stored, and those numbers come back, so that the copy takes an id of its
-- own.
CREATE OR REPLACE FUNCTION zentovia_add(p_computer text, p_secret text, p_parents text[],
                                        p_answers jsonb) RETURNS bigint[]
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    hash text := encode(sha256(convert_to(p_secret, 'UTF8')), 'hex');
    clashes bigint[];
BEGIN
    IF length(p_secret) < 16 THEN
        RAISE EXCEPTION 'a computer''s secret is at least 16 characters' USING ERRCODE = '42501';
    END IF;
    -- Two copies of one notebook sending at once take turns.
    PERFORM pg_advisory_xact_lock(hashtext(p_computer));
    INSERT INTO zentovia_computers (computer, secret) VALUES (p_computer, hash)
        ON CONFLICT (computer) DO NOTHING;
    IF NOT EXISTS (SELECT FROM zentovia_computers WHERE computer = p_computer AND secret = hash) THEN
        RAISE EXCEPTION 'answers under another computer''s id' USING ERRCODE = '42501';
    END IF;
    WITH i AS (
        SELECT r.number, coalesce(n.new_key, r.child_key) AS child_key,
               coalesce(n.new_name, r.child) AS child, r.times_table, r.multiplier, r.at,
               r.utc_offset, r.typed, r.outcome, r.tenths, r.mode
        FROM jsonb_to_recordset(p_answers) AS r(number bigint, child_key text,
            child text, times_table smallint, multiplier smallint, at timestamp,
            utc_offset smallint, typed text, outcome smallint, tenths integer, mode text)
        LEFT JOIN zentovia_renamed n ON n.child_key = r.child_key)
    SELECT array_agg(i.number ORDER BY i.number) INTO clashes
        FROM i JOIN zentovia_answers a ON a.computer = p_computer AND a.number = i.number
        WHERE (a.child_key, a.times_table, a.multiplier, a.at, a.typed, a.outcome, a.tenths, a.mode)
              IS DISTINCT FROM
              (i.child_key, i.times_table, i.multiplier, i.at, i.typed, i.outcome, i.tenths, i.mode);
    IF clashes IS NOT NULL THEN
        RETURN clashes;
    END IF;
    WITH i AS (
        SELECT r.number, coalesce(n.new_key, r.child_key) AS child_key,
               coalesce(n.new_name, r.child) AS child, r.times_table, r.multiplier, r.at,
               r.utc_offset, r.typed, r.outcome, r.tenths, r.mode
        FROM jsonb_to_recordset(p_answers) AS r(number bigint, child_key text,
            child text, times_table smallint, multiplier smallint, at timestamp,
            utc_offset smallint, typed text, outcome smallint, tenths integer, mode text)
        LEFT JOIN zentovia_renamed n ON n.child_key = r.child_key)
    INSERT INTO zentovia_answers (computer, number, child_key, child, times_table, multiplier,
                                  at, utc_offset, typed, outcome, tenths, mode)
        SELECT p_computer, i.number, i.child_key, i.child, i.times_table, i.multiplier, i.at,
               i.utc_offset, i.typed, i.outcome, i.tenths, i.mode
        FROM i
        WHERE NOT EXISTS (
                SELECT FROM zentovia_answers a
                WHERE a.computer = ANY (p_parents) AND a.number = i.number
                  AND (a.child_key, a.times_table, a.multiplier, a.at, a.typed, a.outcome,
                       a.tenths, a.mode)
                      = (i.child_key, i.times_table, i.multiplier, i.at, i.typed, i.outcome,
                         i.tenths, i.mode))
          AND NOT EXISTS (
                SELECT FROM zentovia_erased e
                WHERE e.child_key = i.child_key
                  AND (i.at - make_interval(mins => i.utc_offset)) AT TIME ZONE 'UTC' <= e.erased)
        ON CONFLICT (computer, number) DO NOTHING;
    RETURN '{}';
END
$$;

-- One child's answers, for that child's ripasso on any computer of the class.
CREATE OR REPLACE FUNCTION zentovia_child_answers(p_child_key text)
RETURNS TABLE (at bigint, child text, times_table smallint, multiplier smallint, typed text,
               outcome smallint, tenths integer, mode text, computer text, number bigint)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT extract(epoch FROM a.at)::bigint, a.child, a.times_table, a.multiplier, a.typed,
           a.outcome, a.tenths, a.mode, a.computer, a.number
    FROM zentovia_answers a WHERE a.child_key = zentovia_key(p_child_key)
    ORDER BY a.at, a.computer, a.number
$$;

-- The erases of these children (those a computer knows), in seconds since
-- 1970 UTC.
CREATE OR REPLACE FUNCTION zentovia_erases(p_child_keys text[])
RETURNS TABLE (child_key text, erased bigint)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT k, floor(extract(epoch FROM e.erased))::bigint
    FROM unnest(p_child_keys) k JOIN zentovia_erased e ON e.child_key = zentovia_key(k)
$$;

-- The time for a fact the teacher set for these children.
CREATE OR REPLACE FUNCTION zentovia_facts_seconds(p_child_keys text[])
RETURNS TABLE (child_key text, fact_seconds smallint)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT k, c.fact_seconds
    FROM unnest(p_child_keys) k JOIN zentovia_children c ON c.child_key = zentovia_key(k)
    WHERE c.fact_seconds IS NOT NULL
$$;

-- The time of a contest the teacher set for these children.
CREATE OR REPLACE FUNCTION zentovia_contest_minutes(p_child_keys text[])
RETURNS TABLE (child_key text, contest_minutes smallint)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT k, c.contest_minutes
    FROM unnest(p_child_keys) k JOIN zentovia_children c ON c.child_key = zentovia_key(k)
    WHERE c.contest_minutes IS NOT NULL
$$;

-- The class list's names, for the name box.
CREATE OR REPLACE FUNCTION zentovia_roster_names() RETURNS SETOF text
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT name FROM zentovia_roster ORDER BY name
$$;

-- The tables assigned to a child (or, failing that, to the class) and not
-- yet past; '' for the class's alone.
CREATE OR REPLACE FUNCTION zentovia_assignment(p_child_key text)
RETURNS TABLE (tables smallint[], until date)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT a.tables, a.until FROM zentovia_assignments a
    WHERE a.child_key IN (zentovia_key(p_child_key), '') AND a.until >= current_date
    ORDER BY a.child_key DESC LIMIT 1
$$;

-- The teacher's: a child's answers erased, for good, everywhere.
CREATE OR REPLACE FUNCTION zentovia_erase(p_child_key text) RETURNS void
LANGUAGE sql SECURITY DEFINER SET search_path = public, pg_temp AS $$
    INSERT INTO zentovia_erased (child_key, erased) VALUES (p_child_key, now())
        ON CONFLICT (child_key) DO UPDATE SET erased = excluded.erased;
    DELETE FROM zentovia_answers WHERE child_key = p_child_key;
$$;

-- The names joined to others, for the computers that know the old ones.
CREATE OR REPLACE FUNCTION zentovia_renames(p_child_keys text[])
RETURNS TABLE (child_key text, new_key text, new_name text)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT r.child_key, r.new_key, r.new_name FROM zentovia_renamed r
    WHERE r.child_key = ANY (p_child_keys)
$$;

-- The teacher's: a name joined to another, or a child renamed. Every answer
-- under the old name, here and as each computer sends it, is the new
-- name's; so are its place on the class list, its time for a fact and its
-- tables, unless the new name has its own.
CREATE OR REPLACE FUNCTION zentovia_rename(p_from_key text, p_to_key text, p_to_name text)
RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    IF p_from_key <> p_to_key THEN
        DELETE FROM zentovia_renamed WHERE child_key = p_to_key;
        UPDATE zentovia_renamed SET new_key = p_to_key, new_name = p_to_name
            WHERE new_key = p_from_key;
        INSERT INTO zentovia_renamed (child_key, new_key, new_name)
            VALUES (p_from_key, p_to_key, p_to_name)
            ON CONFLICT (child_key) DO UPDATE SET new_key = excluded.new_key,
                                                  new_name = excluded.new_name;
        UPDATE zentovia_children SET child_key = p_to_key WHERE child_key = p_from_key
            AND NOT EXISTS (SELECT FROM zentovia_children WHERE child_key = p_to_key);
        UPDATE zentovia_assignments SET child_key = p_to_key WHERE child_key = p_from_key
            AND NOT EXISTS (SELECT FROM zentovia_assignments WHERE child_key = p_to_key);
        DELETE FROM zentovia_roster WHERE child_key = p_from_key
            AND EXISTS (SELECT FROM zentovia_roster WHERE child_key = p_to_key);
    END IF;
    UPDATE zentovia_roster SET child_key = p_to_key, name = p_to_name
        WHERE child_key = p_from_key;
    UPDATE zentovia_renamed SET new_name = p_to_name WHERE new_key = p_to_key;
    UPDATE zentovia_answers SET child_key = p_to_key, child = p_to_name
        WHERE child_key = p_from_key;
END
$$;

-- The teacher's: a child's time for a contest, for every computer of the
-- class.
CREATE OR REPLACE FUNCTION zentovia_set_contest_minutes(p_child_key text, p_minutes smallint)
RETURNS void
LANGUAGE sql SECURITY DEFINER SET search_path = public, pg_temp AS $$
    INSERT INTO zentovia_children (child_key, contest_minutes) VALUES (p_child_key, p_minutes)
        ON CONFLICT (child_key) DO UPDATE SET contest_minutes = excluded.contest_minutes;
$$;

-- The teacher's: a child's time for a fact, for every computer of the class.
CREATE OR REPLACE FUNCTION zentovia_set_fact_seconds(p_child_key text, p_seconds smallint)
RETURNS void
LANGUAGE sql SECURITY DEFINER SET search_path = public, pg_temp AS $$
    INSERT INTO zentovia_children (child_key, fact_seconds) VALUES (p_child_key, p_seconds)
        ON CONFLICT (child_key) DO UPDATE SET fact_seconds = excluded.fact_seconds;
$$;

REVOKE ALL ON zentovia_version, zentovia_answers, zentovia_computers, zentovia_erased,
              zentovia_children, zentovia_roster, zentovia_assignments, zentovia_renamed
    FROM PUBLIC, zentovia_alunni, zentovia_insegnanti;
REVOKE ALL ON FUNCTION zentovia_add, zentovia_child_answers, zentovia_erases,
                       zentovia_facts_seconds, zentovia_erase, zentovia_set_fact_seconds,
                       zentovia_roster_names, zentovia_assignment, zentovia_key,
                       zentovia_renames, zentovia_rename, zentovia_contest_minutes,
                       zentovia_set_contest_minutes
    FROM PUBLIC;
GRANT SELECT ON zentovia_version TO zentovia_alunni;
GRANT EXECUTE ON FUNCTION zentovia_add, zentovia_child_answers, zentovia_erases,
                          zentovia_facts_seconds, zentovia_roster_names, zentovia_assignment,
                          zentovia_key, zentovia_renames, zentovia_contest_minutes
    TO zentovia_alunni;
GRANT SELECT ON zentovia_answers, zentovia_erased, zentovia_children TO zentovia_insegnanti;
GRANT SELECT, INSERT, UPDATE, DELETE ON zentovia_roster, zentovia_assignments
    TO zentovia_insegnanti;
GRANT SELECT ON zentovia_renamed TO zentovia_insegnanti;
GRANT EXECUTE ON FUNCTION zentovia_erase, zentovia_set_fact_seconds, zentovia_rename,
                          zentovia_set_contest_minutes
    TO zentovia_insegnanti;

-- From versions 1 and 2: the same answers, the new tables and rights above.
UPDATE zentovia_version SET version = 3 WHERE version < 3;

COMMIT;
