-- Zentovia: a class's notebook on the school's PostgreSQL server, version 4.
--
-- Run in the class's own database, as a superuser (or as the database's
-- owner, once the two roles below exist): once to prepare a new class, and
-- once again to bring a class prepared by an earlier Zentovia (version 1, 2
-- or 3) up to date, every answer kept:
--
--     createdb zentovia_3a
--     psql -v ON_ERROR_STOP=1 -d zentovia_3a -f /usr/share/zentovia/zentovia-server.sql
--
-- It makes two roles that nobody logs in as; the school's login users are
-- made members of them:
--
--     zentovia_alunni      the children's computers: add their own answers
--                          (within bounds), learn which of them were erased
--                          (with the computer's secret), read one child's
--                          answers and settings with that child's picture
--                          code (ten wrong codes an hour at most), the class
--                          list's names and the class's tables; nothing else;
--     zentovia_insegnanti  the teacher: read the whole class, keep the class
--                          list, give the picture codes, join a name to
--                          another, erase a child's answers, set a child's
--                          time for a fact and for a contest.
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

-- crypt() and gen_salt() for the children's codes.
CREATE EXTENSION IF NOT EXISTS pgcrypto WITH SCHEMA public;

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
INSERT INTO zentovia_version (version) VALUES (4) ON CONFLICT (one_row) DO NOTHING;

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
-- What a computer sent today (by the server's day), against a flood.
ALTER TABLE zentovia_computers ADD COLUMN IF NOT EXISTS today date;
ALTER TABLE zentovia_computers ADD COLUMN IF NOT EXISTS today_answers integer NOT NULL DEFAULT 0;

-- Each time a computer sent answers: the server's clock, the highest number
-- the computer had given by then, and its clock against the server's
-- (the server's minus the computer's). An erase orders a computer's answers
-- by these, and by the computer's clock corrected with the offset only for
-- those given while it was away across the erase.
CREATE TABLE IF NOT EXISTS zentovia_contacts (
    computer text NOT NULL,
    at timestamptz NOT NULL,
    last_number bigint NOT NULL,
    clock_offset interval NOT NULL,
    PRIMARY KEY (computer, at)
);

-- The teacher's erases: every answer of the child given up to that moment
-- is gone, on the server and, as each computer reaches it, on every
-- computer of the class.
CREATE TABLE IF NOT EXISTS zentovia_erased (
    child_key text PRIMARY KEY,
    erased timestamptz NOT NULL
);

-- The answers an erase took, by their computer and number: each computer
-- asks, with its secret, which of its own are gone, and nothing else.
CREATE TABLE IF NOT EXISTS zentovia_erased_answers (
    computer text NOT NULL,
    number bigint NOT NULL,
    PRIMARY KEY (computer, number)
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

-- Each child's picture code (three pictures out of nine, "123" to "999"),
-- as crypt() keeps it, given by the teacher. The wrong codes tried for the
-- child are counted by the child's own sequence (zentovia_tries_<id>), which
-- a transaction rolled back does not take back; tries_base is that count an
-- hour ago or less, so that ten wrong codes an hour at most are checked.
CREATE TABLE IF NOT EXISTS zentovia_codes (
    child_key text PRIMARY KEY,
    id integer GENERATED ALWAYS AS IDENTITY UNIQUE,
    hash text NOT NULL,
    tries_base bigint NOT NULL DEFAULT 0,
    tries_since timestamptz NOT NULL DEFAULT now()
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

-- Undoing a join: each answer moved by a join, or sent under a joined name
-- since, keeps the name it was typed with and the key it came from.
ALTER TABLE zentovia_answers ADD COLUMN IF NOT EXISTS joined_from text;
CREATE INDEX IF NOT EXISTS zentovia_answers_joined
    ON zentovia_answers (joined_from) WHERE joined_from IS NOT NULL;


-- What version 3 offered the children's login, which read any child by name.
DROP FUNCTION IF EXISTS zentovia_add(text, text, text[], jsonb);
DROP FUNCTION IF EXISTS zentovia_child_answers(text);
DROP FUNCTION IF EXISTS zentovia_erases(text[]);
DROP FUNCTION IF EXISTS zentovia_facts_seconds(text[]);
DROP FUNCTION IF EXISTS zentovia_contest_minutes(text[]);
DROP FUNCTION IF EXISTS zentovia_erase(text);

-- The name a child's answers go under.
CREATE OR REPLACE FUNCTION zentovia_key(p_child_key text) RETURNS text
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT coalesce((SELECT new_key FROM zentovia_renamed WHERE child_key = p_child_key),
                    p_child_key)
$$;

-- Whether this session may read the child: the teacher always; the
-- children's login with the child's code. A wrong code counts for the child;
-- past ten in an hour, no code is checked until the hour is over. No code
-- (NULL or '') reads nothing and counts nothing.
CREATE OR REPLACE FUNCTION zentovia_may_read(p_child_key text, p_code text) RETURNS boolean
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    c zentovia_codes;
    tries regclass;
    wrong bigint;
BEGIN
    IF pg_has_role(session_user, 'zentovia_insegnanti', 'MEMBER') THEN
        RETURN true;
    END IF;
    IF coalesce(p_code, '') = '' THEN
        RETURN false;
    END IF;
    -- One try at a time for a child.
    PERFORM pg_advisory_xact_lock(hashtext('zentovia_code ' || zentovia_key(p_child_key)));
    SELECT * INTO c FROM zentovia_codes WHERE child_key = zentovia_key(p_child_key);
    IF NOT FOUND THEN
        RETURN false;
    END IF;
    tries := format('zentovia_tries_%s', c.id)::regclass;
    EXECUTE format('SELECT last_value - 1 FROM %s', tries) INTO wrong;
    IF c.tries_since < now() - interval '1 hour' THEN
        UPDATE zentovia_codes SET tries_base = wrong, tries_since = now()
            WHERE child_key = c.child_key;
        c.tries_base := wrong;
    END IF;
    IF wrong - c.tries_base >= 10 THEN
        RAISE EXCEPTION 'troppi codici sbagliati per questo bambino: si riprova tra un''ora'
            USING ERRCODE = 'ZV003';
    END IF;
    IF crypt(p_code, c.hash) = c.hash THEN
        RETURN true;
    END IF;
    PERFORM nextval(tries);
    RETURN false;
END
$$;

-- Whether the code is the child's (for the pad of pictures): a wrong one
-- counts as a try.
CREATE OR REPLACE FUNCTION zentovia_code_ok(p_child_key text, p_code text) RETURNS boolean
LANGUAGE sql SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT coalesce(p_code, '') <> '' AND zentovia_may_read(p_child_key, p_code)
$$;

-- The teacher's: a child's new code ("123" to "999", a digit for each
-- picture), which replaces the old one; the wrong tries start again.
CREATE OR REPLACE FUNCTION zentovia_set_code(p_child_key text, p_code text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    child_id integer;
BEGIN
    IF p_code !~ '^[1-9]{3}$' THEN
        RAISE EXCEPTION 'un codice è di tre figure su nove' USING ERRCODE = '22023';
    END IF;
    INSERT INTO zentovia_codes (child_key, hash)
        VALUES (zentovia_key(p_child_key), crypt(p_code, gen_salt('bf')))
        ON CONFLICT (child_key) DO UPDATE SET hash = excluded.hash
        RETURNING id INTO child_id;
    EXECUTE format('DROP SEQUENCE IF EXISTS zentovia_tries_%s', child_id);
    EXECUTE format('CREATE SEQUENCE zentovia_tries_%s', child_id);
    PERFORM nextval(format('zentovia_tries_%s', child_id)::regclass); -- its count is then 0
    EXECUTE format('REVOKE ALL ON SEQUENCE zentovia_tries_%s FROM PUBLIC', child_id);
    UPDATE zentovia_codes SET tries_base = 0, tries_since = now() WHERE id = child_id;
END
$$;

-- A computer's answers, as a JSON array of objects (number, child_key,
-- child, times_table, multiplier, at, utc_offset, typed, outcome, tenths,
-- mode), with its clock as it reads it now (p_clock): under the names the
-- teacher joined them to. Answers its earlier ids (parents: the ids of the
-- notebook it was copied from) hold as they are stay there, once. An answer
-- of a child erased since is dropped, and counted among the computer's
-- erased ones, when it was given before the erase: known by a contact before
-- the erase that had a number as high, or after it that had a lower one, or
-- else by the computer's clock corrected with its offset now.
-- When the server holds one of these numbers for this computer with other
-- content, the computer is a copy of another: nothing is stored, and those
-- numbers come back, so that the copy takes an id of its own.
-- Bounds, for a class of about 30 children playing contests of about 45
-- answers a few times a day: 1000 answers a call, 10,000 a computer and
-- day, 40 names off the class list a computer and day; each field in its
-- range, and no moment more than a day ahead of the server's.
CREATE OR REPLACE FUNCTION zentovia_add(p_computer text, p_secret text, p_parents text[],
                                        p_answers jsonb, p_clock timestamptz) RETURNS bigint[]
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    hash text := encode(sha256(convert_to(p_secret, 'UTF8')), 'hex');
    offset_now interval := statement_timestamp() - p_clock;
    clashes bigint[];
    incoming integer;
    sent_today integer;
    last bigint;
BEGIN
    IF length(p_secret) < 16 THEN
        RAISE EXCEPTION 'a computer''s secret is at least 16 characters' USING ERRCODE = '42501';
    END IF;
    IF p_clock IS NULL OR jsonb_typeof(p_answers) IS DISTINCT FROM 'array' THEN
        RAISE EXCEPTION 'risposte non valide: un elenco, con l''ora del computer'
            USING ERRCODE = 'ZV002';
    END IF;
    incoming := jsonb_array_length(p_answers);
    IF incoming > 1000 THEN
        RAISE EXCEPTION 'troppe risposte in un invio (%; al massimo 1000)', incoming
            USING ERRCODE = 'ZV002';
    END IF;
    -- Two copies of one notebook sending at once take turns.
    PERFORM pg_advisory_xact_lock(hashtext(p_computer));
    INSERT INTO zentovia_computers (computer, secret) VALUES (p_computer, hash)
        ON CONFLICT (computer) DO NOTHING;
    IF NOT EXISTS (SELECT FROM zentovia_computers WHERE computer = p_computer AND secret = hash) THEN
        RAISE EXCEPTION 'answers under another computer''s id' USING ERRCODE = '42501';
    END IF;
    CREATE TEMPORARY TABLE IF NOT EXISTS zentovia_incoming (
        number bigint, child_key text, child text, times_table smallint, multiplier smallint,
        at timestamp, utc_offset smallint, typed text, outcome smallint, tenths integer,
        mode text, moment timestamptz, joined_from text) ON COMMIT DROP;
    TRUNCATE zentovia_incoming;
    INSERT INTO zentovia_incoming
        SELECT r.number, coalesce(n.new_key, r.child_key), r.child,
               r.times_table, r.multiplier, r.at, r.utc_offset, r.typed, r.outcome, r.tenths,
               r.mode, (r.at - make_interval(mins => r.utc_offset)) AT TIME ZONE 'UTC',
               n.child_key
        FROM jsonb_to_recordset(p_answers) AS r(number bigint, child_key text,
            child text, times_table smallint, multiplier smallint, at timestamp,
            utc_offset smallint, typed text, outcome smallint, tenths integer, mode text)
        LEFT JOIN zentovia_renamed n ON n.child_key = r.child_key;
    IF EXISTS (SELECT FROM zentovia_incoming i
               WHERE i.number IS NULL OR i.number < 1 OR i.child_key IS NULL
                  OR i.child IS NULL OR length(i.child) > 60 OR length(i.child_key) > 60
                  OR NOT coalesce(i.times_table BETWEEN 1 AND 10, false)
                  OR NOT coalesce(i.multiplier BETWEEN 1 AND 10, false)
                  OR i.typed IS NULL OR length(i.typed) > 8
                  OR NOT coalesce(i.outcome BETWEEN 0 AND 2, false)
                  OR NOT coalesce(i.tenths BETWEEN 0 AND 864000, false)
                  OR NOT coalesce(i.utc_offset BETWEEN -900 AND 900, false)
                  OR i.mode IS NULL OR i.mode NOT IN ('gara', 'ripasso')
                  OR i.moment IS NULL OR i.moment < statement_timestamp() - interval '20 years'
                  OR i.moment > statement_timestamp() + interval '2 days'
                  OR i.moment + offset_now > statement_timestamp() + interval '1 day') THEN
        RAISE EXCEPTION 'risposte non valide: un campo fuori misura, o un momento più di un '
                        'giorno avanti' USING ERRCODE = 'ZV002';
    END IF;
    IF (SELECT count(DISTINCT child_key) FROM zentovia_incoming) > 40
       OR (SELECT count(DISTINCT k) FROM (
               SELECT child_key FROM zentovia_incoming
               UNION SELECT child_key FROM zentovia_answers
                   WHERE computer = p_computer AND received >= current_date) AS t(k)
           WHERE NOT EXISTS (SELECT FROM zentovia_roster r WHERE r.child_key = t.k)) > 40 THEN
        RAISE EXCEPTION 'troppi nomi fuori dall''elenco della classe da questo computer oggi '
                        '(al massimo 40)' USING ERRCODE = 'ZV002';
    END IF;
    SELECT CASE WHEN today = current_date THEN today_answers ELSE 0 END INTO sent_today
        FROM zentovia_computers WHERE computer = p_computer;
    IF sent_today + incoming > 10000 THEN
        RAISE EXCEPTION 'troppe risposte da questo computer oggi (al massimo 10000): le altre '
                        'partono domani' USING ERRCODE = 'ZV002';
    END IF;
    SELECT array_agg(i.number ORDER BY i.number) INTO clashes
        FROM zentovia_incoming i
        JOIN zentovia_answers a ON a.computer = p_computer AND a.number = i.number
        WHERE (a.child_key, a.times_table, a.multiplier, a.at, a.typed, a.outcome, a.tenths, a.mode)
              IS DISTINCT FROM
              (i.child_key, i.times_table, i.multiplier, i.at, i.typed, i.outcome, i.tenths, i.mode);
    IF clashes IS NOT NULL THEN
        RETURN clashes;
    END IF;
    -- Given before an erase of their child: gone, and so said to the computer.
    WITH gone AS (
        DELETE FROM zentovia_incoming i USING zentovia_erased e
        WHERE e.child_key = i.child_key
          AND (EXISTS (SELECT FROM zentovia_contacts c WHERE c.computer = p_computer
                       AND c.at <= e.erased AND c.last_number >= i.number)
               OR (NOT EXISTS (SELECT FROM zentovia_contacts c WHERE c.computer = p_computer
                               AND c.at > e.erased AND c.last_number < i.number)
                   AND i.moment + offset_now <= e.erased))
        RETURNING i.number)
    INSERT INTO zentovia_erased_answers (computer, number)
        SELECT p_computer, number FROM gone ON CONFLICT DO NOTHING;
    INSERT INTO zentovia_answers (computer, number, child_key, child, times_table, multiplier,
                                  at, utc_offset, typed, outcome, tenths, mode, joined_from)
        SELECT p_computer, i.number, i.child_key, i.child, i.times_table, i.multiplier, i.at,
               i.utc_offset, i.typed, i.outcome, i.tenths, i.mode, i.joined_from
        FROM zentovia_incoming i
        WHERE NOT EXISTS (
                SELECT FROM zentovia_answers a
                WHERE a.computer = ANY (p_parents) AND a.number = i.number
                  AND (a.child_key, a.times_table, a.multiplier, a.at, a.typed, a.outcome,
                       a.tenths, a.mode)
                      = (i.child_key, i.times_table, i.multiplier, i.at, i.typed, i.outcome,
                         i.tenths, i.mode))
        ON CONFLICT (computer, number) DO NOTHING;
    SELECT max(number) INTO last FROM jsonb_to_recordset(p_answers) AS r(number bigint);
    IF last IS NOT NULL THEN
        INSERT INTO zentovia_contacts (computer, at, last_number, clock_offset)
            VALUES (p_computer, statement_timestamp(), last, offset_now)
            ON CONFLICT (computer, at) DO UPDATE SET last_number = excluded.last_number;
    END IF;
    UPDATE zentovia_computers SET today = current_date, today_answers = sent_today + incoming
        WHERE computer = p_computer;
    RETURN '{}';
END
$$;

-- The numbers of a computer's answers that an erase took, asked with its
-- secret: that computer drops them too.
CREATE OR REPLACE FUNCTION zentovia_erased_numbers(p_computer text, p_secret text)
RETURNS SETOF bigint
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT e.number FROM zentovia_erased_answers e JOIN zentovia_computers c USING (computer)
    WHERE e.computer = p_computer
      AND c.secret = encode(sha256(convert_to(p_secret, 'UTF8')), 'hex')
    ORDER BY e.number
$$;

-- One child's answers, for that child's ripasso on any computer of the
-- class: with the child's code (see zentovia_may_read), nothing otherwise.
CREATE OR REPLACE FUNCTION zentovia_child_answers(p_child_key text, p_code text)
RETURNS TABLE (at bigint, child text, times_table smallint, multiplier smallint, typed text,
               outcome smallint, tenths integer, mode text, computer text, number bigint)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    IF NOT zentovia_may_read(p_child_key, p_code) THEN
        RETURN;
    END IF;
    RETURN QUERY
        SELECT extract(epoch FROM a.at)::bigint, a.child, a.times_table, a.multiplier, a.typed,
               a.outcome, a.tenths, a.mode, a.computer, a.number
        FROM zentovia_answers a WHERE a.child_key = zentovia_key(p_child_key)
        ORDER BY a.at, a.computer, a.number;
END
$$;

-- One child's settings as the teacher chose them (each NULL when not
-- chosen): the time for a fact, the contest's, the tables for the week (the
-- child's own or else the class's) until a day. A row with the child's code
-- (see zentovia_may_read), none otherwise.
CREATE OR REPLACE FUNCTION zentovia_child_settings(p_child_key text, p_code text)
RETURNS TABLE (fact_seconds smallint, contest_minutes smallint, tables smallint[], until date)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
    IF NOT zentovia_may_read(p_child_key, p_code) THEN
        RETURN;
    END IF;
    RETURN QUERY
        SELECT c.fact_seconds, c.contest_minutes, a.tables, a.until
        FROM (SELECT zentovia_key(p_child_key) AS k) key
        LEFT JOIN zentovia_children c ON c.child_key = key.k
        LEFT JOIN LATERAL (SELECT s.tables, s.until FROM zentovia_assignments s
                           WHERE s.child_key IN (key.k, '') AND s.until >= current_date
                           ORDER BY s.child_key DESC LIMIT 1) a ON true;
END
$$;

-- The class list's names, for the name box.
CREATE OR REPLACE FUNCTION zentovia_roster_names() RETURNS SETOF text
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT name FROM zentovia_roster ORDER BY name
$$;

-- The tables assigned to the class and not yet past.
CREATE OR REPLACE FUNCTION zentovia_class_assignment()
RETURNS TABLE (tables smallint[], until date)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT a.tables, a.until FROM zentovia_assignments a
    WHERE a.child_key = '' AND a.until >= current_date
$$;

-- The teacher's: the tables assigned to a child (or, failing that, to the
-- class) and not yet past; '' for the class's alone.
CREATE OR REPLACE FUNCTION zentovia_assignment(p_child_key text)
RETURNS TABLE (tables smallint[], until date)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT a.tables, a.until FROM zentovia_assignments a
    WHERE a.child_key IN (zentovia_key(p_child_key), '') AND a.until >= current_date
    ORDER BY a.child_key DESC LIMIT 1
$$;

-- The teacher's: a child's answers erased, for good, everywhere: each
-- computer is told which of its own answers went, and those it gave before
-- now and sends later go too. Refused, and never done, after p_deadline (by
-- the server's clock): the window that asked has stopped waiting by then.
CREATE OR REPLACE FUNCTION zentovia_erase(p_child_key text, p_deadline timestamptz) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    k text := zentovia_key(p_child_key);
BEGIN
    IF clock_timestamp() > p_deadline THEN
        RAISE EXCEPTION 'cancellazione non fatta: è arrivata troppo tardi' USING ERRCODE = 'ZV004';
    END IF;
    INSERT INTO zentovia_erased (child_key, erased) VALUES (k, clock_timestamp())
        ON CONFLICT (child_key) DO UPDATE SET erased = excluded.erased;
    WITH gone AS (DELETE FROM zentovia_answers WHERE child_key = k RETURNING computer, number)
    INSERT INTO zentovia_erased_answers SELECT computer, number FROM gone ON CONFLICT DO NOTHING;
    IF clock_timestamp() > p_deadline THEN
        RAISE EXCEPTION 'cancellazione non fatta: è arrivata troppo tardi' USING ERRCODE = 'ZV004';
    END IF;
END
$$;

-- The names joined to others, for a computer that sent answers under the
-- old ones, asked with its secret: no login learns which typed name became
-- which child unless it typed it.
DROP FUNCTION IF EXISTS zentovia_renames(text[]);
CREATE OR REPLACE FUNCTION zentovia_renames(p_computer text, p_secret text, p_child_keys text[])
RETURNS TABLE (child_key text, new_key text, new_name text)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$
    SELECT r.child_key, r.new_key, r.new_name FROM zentovia_renamed r
    JOIN zentovia_computers c ON c.computer = p_computer
        AND c.secret = encode(sha256(convert_to(p_secret, 'UTF8')), 'hex')
    WHERE r.child_key = ANY (p_child_keys)
      AND EXISTS (SELECT FROM zentovia_answers a
                  WHERE a.computer = p_computer
                    AND (a.joined_from = r.child_key OR a.child_key = r.child_key))
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
    UPDATE zentovia_answers SET child_key = p_to_key, joined_from = coalesce(joined_from, p_from_key)
        WHERE child_key = p_from_key AND p_from_key <> p_to_key;
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
              zentovia_children, zentovia_roster, zentovia_assignments, zentovia_renamed,
              zentovia_codes, zentovia_contacts, zentovia_erased_answers
    FROM PUBLIC, zentovia_alunni, zentovia_insegnanti;
REVOKE ALL ON FUNCTION zentovia_add, zentovia_child_answers, zentovia_child_settings,
                       zentovia_erased_numbers, zentovia_erase, zentovia_set_fact_seconds,
                       zentovia_roster_names, zentovia_assignment, zentovia_class_assignment,
                       zentovia_key, zentovia_renames, zentovia_rename, zentovia_may_read,
                       zentovia_set_code, zentovia_set_contest_minutes, zentovia_code_ok
    FROM PUBLIC, zentovia_alunni, zentovia_insegnanti;
GRANT SELECT ON zentovia_version TO zentovia_alunni;
GRANT EXECUTE ON FUNCTION zentovia_add, zentovia_child_answers, zentovia_child_settings,
                          zentovia_erased_numbers, zentovia_roster_names,
                          zentovia_class_assignment, zentovia_renames, zentovia_code_ok
    TO zentovia_alunni;
GRANT SELECT ON zentovia_answers, zentovia_erased, zentovia_children TO zentovia_insegnanti;
GRANT SELECT, INSERT, UPDATE, DELETE ON zentovia_roster, zentovia_assignments
    TO zentovia_insegnanti;
GRANT SELECT ON zentovia_renamed TO zentovia_insegnanti;
GRANT EXECUTE ON FUNCTION zentovia_erase, zentovia_set_fact_seconds, zentovia_rename,
                          zentovia_set_contest_minutes, zentovia_set_code, zentovia_assignment
    TO zentovia_insegnanti;

-- Undoing a join, the teacher's: the answers that came to another name from
-- p_from_key, moved by the join or sent under it since, are its own again,
-- and the answers sent under it from now on stay its own.
CREATE OR REPLACE FUNCTION zentovia_unjoin(p_from_key text) RETURNS void
LANGUAGE sql SECURITY DEFINER SET search_path = public, pg_temp AS $$
    DELETE FROM zentovia_renamed WHERE child_key = p_from_key;
    UPDATE zentovia_answers SET child_key = p_from_key, joined_from = NULL
        WHERE joined_from = p_from_key;
$$;
REVOKE ALL ON FUNCTION zentovia_unjoin FROM PUBLIC, zentovia_alunni, zentovia_insegnanti;
GRANT EXECUTE ON FUNCTION zentovia_unjoin TO zentovia_insegnanti;

-- From versions 1, 2 and 3: the same answers, the new tables and rights above.
UPDATE zentovia_version SET version = 4 WHERE version < 4;

COMMIT;
