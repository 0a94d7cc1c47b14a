// SPDX-License-Identifier: GPL-3.0-or-later
// The school's database as dieci makes it. Every lab computer logs in with
// the children's role, whose password any child with a terminal can read:
// that role reaches the tables only through two functions that add, check
// every value they store, and add to a race only for the register that
// holds its secret.
#include "serverdetail.h"

namespace registro::server::detail {

namespace {
// The races' and answers' checks, shared by the functions below: a value out
// of place refuses the whole call (SQLSTATE 22023) and nothing is stored.
const char *const CheckText =
    "CREATE OR REPLACE FUNCTION dieci.check_text(value text, what text, longest integer, "
    "may_be_null boolean) RETURNS void LANGUAGE plpgsql IMMUTABLE SET search_path = pg_catalog, "
    "pg_temp AS $f$ BEGIN "
    "IF value IS NULL THEN IF NOT may_be_null THEN RAISE EXCEPTION USING ERRCODE = '22023', "
    "MESSAGE = format('%s mancante', what); END IF; RETURN; END IF; "
    "IF length(value) > longest OR value ~ '[[:cntrl:]]' THEN RAISE EXCEPTION USING ERRCODE = "
    "'22023', MESSAGE = format('%s non valido', what); END IF; END $f$";

const char *const CheckTime =
    "CREATE OR REPLACE FUNCTION dieci.check_time(value timestamp, what text) RETURNS void "
    "LANGUAGE plpgsql STABLE SET search_path = pg_catalog, pg_temp AS $f$ BEGIN "
    "IF value IS NULL OR value < '2000-01-01' OR value > localtimestamp + interval '2 days' THEN "
    "RAISE EXCEPTION USING ERRCODE = '22023', MESSAGE = format('%s non valida', what); END IF; "
    "END $f$";

// A race: its first sending makes it (with the hash of its secret), a later
// one may only give it its ending, and only with the same secret. Races of a
// class the school has not declared wait on their computer (SQLSTATE DC001).
const char *const AddRaces =
    "CREATE OR REPLACE FUNCTION dieci.add_races(batch json) RETURNS integer LANGUAGE plpgsql "
    "SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$ "
    "DECLARE x record; kid text; added integer := 0; n integer; BEGIN "
    "IF json_typeof(batch) IS DISTINCT FROM 'array' OR json_array_length(batch) > 200 THEN "
    "RAISE EXCEPTION USING ERRCODE = '22023', MESSAGE = 'troppe gare in una volta'; END IF; "
    "FOR x IN SELECT * FROM json_to_recordset(batch) AS r(id uuid, secret text, class text, "
    "child text, name text, started timestamp, ending text, beaten boolean, adaptation text, "
    "computer text) LOOP "
    "IF x.id IS NULL OR x.secret IS NULL OR x.secret !~ '^[0-9a-f]{32,64}$' THEN RAISE EXCEPTION "
    "USING ERRCODE = '22023', MESSAGE = 'gara senza il suo segreto'; END IF; "
    "PERFORM dieci.check_text(x.name, 'nome', 255, false); "
    "PERFORM dieci.check_text(x.child, 'nome', 255, false); "
    "PERFORM dieci.check_text(x.adaptation, 'gara su misura', 64, true); "
    "PERFORM dieci.check_text(x.computer, 'computer', 255, true); "
    "PERFORM dieci.check_time(x.started, 'ora della gara'); "
    "IF x.ending IS NOT NULL AND x.ending NOT IN ('fine', 'uscita', 'nuova gara', "
    "'finestra chiusa') THEN RAISE EXCEPTION USING ERRCODE = '22023', MESSAGE = 'fine della "
    "gara non valida'; END IF; "
    "IF NOT EXISTS (SELECT 1 FROM dieci.classes c WHERE c.name = x.class) THEN RAISE EXCEPTION "
    "USING ERRCODE = 'DC001', MESSAGE = format('la classe %s non è tra quelle della scuola', "
    "left(x.class, 64)); END IF; "
    // A spelling the teacher mended lands under the child she chose.
    "kid := coalesce((SELECT a.child FROM dieci.aliases a WHERE a.class = x.class AND a.typed = "
    "x.child), x.child); "
    // A child deleted from her class: her races from before stay deleted.
    "CONTINUE WHEN EXISTS (SELECT 1 FROM dieci.deleted_races d WHERE d.id = x.id) OR EXISTS "
    "(SELECT 1 FROM dieci.deleted_children d WHERE d.class = x.class AND d.child = kid AND "
    "x.started < d.deleted); "
    "INSERT INTO dieci.races AS r (id, secret, class, child, name, started, ending, "
    "record_beaten, adaptation, computer) VALUES (x.id, sha256(convert_to(x.secret, 'UTF8')), "
    "x.class, kid, x.name, x.started, x.ending, coalesce(x.beaten, false), x.adaptation, "
    "x.computer) ON CONFLICT (id) DO UPDATE SET ending = EXCLUDED.ending, record_beaten = "
    "EXCLUDED.record_beaten WHERE r.ending IS NULL AND EXCLUDED.ending IS NOT NULL AND "
    "r.secret = EXCLUDED.secret; "
    "GET DIAGNOSTICS n = ROW_COUNT; added := added + n; END LOOP; RETURN added; END $f$";

// An answer joins its race only with the race's secret; one of a race that
// is not there (deleted, or never sent) adds nothing.
const char *const AddAnswers =
    "CREATE OR REPLACE FUNCTION dieci.add_answers(batch json) RETURNS integer LANGUAGE plpgsql "
    "SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$ "
    "DECLARE x record; added integer := 0; n integer; BEGIN "
    "IF json_typeof(batch) IS DISTINCT FROM 'array' OR json_array_length(batch) > 2000 THEN "
    "RAISE EXCEPTION USING ERRCODE = '22023', MESSAGE = 'troppe risposte in una volta'; END IF; "
    "FOR x IN SELECT * FROM json_to_recordset(batch) AS r(race uuid, secret text, seq integer, "
    "at timestamp, number integer, typed text, correct boolean, ms bigint) LOOP "
    "IF x.seq IS NULL OR x.seq NOT BETWEEN 1 AND 100000 OR x.number IS NULL OR x.number NOT "
    "BETWEEN 1 AND 9 OR x.correct IS NULL OR x.ms IS NULL OR x.ms NOT BETWEEN 0 AND 86400000 "
    "THEN RAISE EXCEPTION USING ERRCODE = '22023', MESSAGE = 'risposta non valida'; END IF; "
    "PERFORM dieci.check_text(x.typed, 'risposta', 32, false); "
    "PERFORM dieci.check_time(x.at, 'ora della risposta'); "
    "CONTINUE WHEN NOT EXISTS (SELECT 1 FROM dieci.races r WHERE r.id = x.race AND r.secret = "
    "sha256(convert_to(x.secret, 'UTF8'))); "
    "INSERT INTO dieci.answers (race, seq, at, number, typed, correct, ms) VALUES (x.race, "
    "x.seq, x.at, x.number, x.typed, x.correct, x.ms) ON CONFLICT (race, seq) DO NOTHING; "
    "GET DIAGNOSTICS n = ROW_COUNT; added := added + n; END LOOP; RETURN added; END $f$";

// The race the teacher set for one child, for the drill about to start hers:
// one name at a time, never the class's list. Typing that name in the drill
// shows as much.
const char *const RaceSettings =
    "CREATE FUNCTION dieci.race_settings(class text, child text) RETURNS TABLE (minutes "
    "integer, practice boolean, voice boolean, contrast boolean) LANGUAGE sql STABLE SECURITY "
    "DEFINER SET search_path = pg_catalog, pg_temp AS $f$ SELECT s.minutes, s.practice, "
    "s.voice, s.contrast FROM dieci.child_settings s "
    "WHERE s.class = $1 AND s.child = coalesce((SELECT a.child FROM dieci.aliases a WHERE "
    "a.class = $1 AND a.typed = $2), $2) $f$";
} // namespace

namespace {
// What the teachers keep per class: a child's race and her mended names.
QStringList teachersTables()
{
    return {
        // What the teachers set for a child's races, per class; the drill
        // reads one child's through race_settings().
        "CREATE TABLE IF NOT EXISTS dieci.child_settings (class text NOT NULL, child text NOT "
        "NULL, minutes integer NOT NULL CHECK (minutes BETWEEN 0 AND 60), practice boolean NOT "
        "NULL, changed timestamptz NOT NULL DEFAULT now(), PRIMARY KEY (class, child))",
        // The aids of a child's learning plan: the drill reads aloud, colours
        // of high contrast. They change how her race is shown, not the race.
        "ALTER TABLE dieci.child_settings ADD COLUMN IF NOT EXISTS voice boolean NOT NULL "
        "DEFAULT false",
        "ALTER TABLE dieci.child_settings ADD COLUMN IF NOT EXISTS contrast boolean NOT NULL "
        "DEFAULT false",
        // Names a teacher mended, per class: the spelling a child typed and
        // the child it stands for; and the name she gave her.
        "CREATE TABLE IF NOT EXISTS dieci.aliases (class text NOT NULL, typed text NOT NULL, "
        "child text NOT NULL, PRIMARY KEY (class, typed))",
        "CREATE TABLE IF NOT EXISTS dieci.names (class text NOT NULL, child text NOT NULL, shown "
        "text NOT NULL, PRIMARY KEY (class, child))",
    };
}

// The tables, and who may reach them.
QStringList tables()
{
    return {
        "CREATE SCHEMA IF NOT EXISTS dieci",
        "CREATE TABLE IF NOT EXISTS dieci.info (key text PRIMARY KEY, value text NOT NULL)",
        // Races carry their class and the child as the window groups her
        // (childKey), so every figure is one GROUP BY away.
        "CREATE TABLE IF NOT EXISTS dieci.races (id uuid PRIMARY KEY, class text NOT NULL, "
        "child text NOT NULL, name text NOT NULL, started timestamp NOT NULL, ending text, "
        "record_beaten boolean NOT NULL DEFAULT false, adaptation text, computer text, "
        "received timestamptz NOT NULL DEFAULT now())",
        // The hash of the race's secret; races sent by an older version have
        // none and take nothing more.
        "ALTER TABLE dieci.races ADD COLUMN IF NOT EXISTS secret bytea",
        "CREATE INDEX IF NOT EXISTS races_by_class ON dieci.races (class, child, started)",
        "CREATE TABLE IF NOT EXISTS dieci.answers (race uuid NOT NULL REFERENCES dieci.races(id) "
        "ON DELETE CASCADE, seq integer NOT NULL, at timestamp NOT NULL, number integer NOT "
        "NULL, typed text NOT NULL, correct boolean NOT NULL, ms bigint NOT NULL, "
        // The key carries what the teacher's window counts: a class is read
        // from the index alone, wherever its answers lie in the table.
        "PRIMARY KEY (race, seq) INCLUDE (at, number, correct, ms))",
        // The school's classes: a race of any other is not taken.
        "CREATE TABLE IF NOT EXISTS dieci.classes (name text PRIMARY KEY CHECK (length(name) "
        "BETWEEN 1 AND 64))",
        "INSERT INTO dieci.classes SELECT DISTINCT class FROM dieci.races WHERE length(class) "
        "BETWEEN 1 AND 64 ON CONFLICT DO NOTHING",
        // Races a teacher deleted, and children deleted from a class: a
        // computer that sends one of their races later adds nothing.
        "CREATE TABLE IF NOT EXISTS dieci.deleted_races (id uuid PRIMARY KEY)",
        "CREATE TABLE IF NOT EXISTS dieci.deleted_children (class text NOT NULL, child text NOT "
        "NULL, deleted timestamp NOT NULL, PRIMARY KEY (class, child))",
        // Passwords were kept here in clear by the first version.
        "DROP TABLE IF EXISTS dieci.passwords",
    };
}
} // namespace

const QStringList &schemaStatements()
{
    static const QStringList list =
        tables() + teachersTables() +
        QStringList{
            "REVOKE ALL ON ALL TABLES IN SCHEMA dieci FROM PUBLIC",
            CheckText,
            CheckTime,
            AddRaces,
            AddAnswers,
            // Its columns grew with the aids: a function's columns are
            // changed only by making it anew (its grant is given again).
            "DROP FUNCTION IF EXISTS dieci.race_settings(text, text)",
            RaceSettings,
            "REVOKE ALL ON ALL FUNCTIONS IN SCHEMA dieci FROM PUBLIC",
            // Nobody makes anything of their own: no temporary tables, no objects.
            "REVOKE CREATE ON SCHEMA public FROM PUBLIC",
        };
    return list;
}

} // namespace registro::server::detail
