#include "telling/telling.h"

#include <cstdio>

using namespace Qt::StringLiterals;

namespace Zentovia::Telling {

namespace {

// SQLite's result codes, said in Italian; its own English text otherwise.
QString sqliteWhy(const NotebookProblem &problem)
{
    switch (problem.code) {
    case 3: // PERM
    case 23: // AUTH
        return u"non ho il permesso"_s;
    case 5: // BUSY
    case 6: // LOCKED
        return u"un altro programma lo sta usando da troppo tempo"_s;
    case 8: // READONLY
        return u"il file è di sola lettura"_s;
    case 10: // IOERR
        return u"errore del disco durante la lettura o la scrittura"_s;
    case 11: // CORRUPT
        return u"il file è rovinato"_s;
    case 13: // FULL
        return u"il disco è pieno"_s;
    case 14: // CANTOPEN
        return u"non riesco ad aprire il file"_s;
    default:
        break;
    }
    return problem.detail().isEmpty() ? u"errore sconosciuto"_s : problem.detail();
}

// What was being done, and why it failed.
std::pair<QString, QString> notebookParts(const NotebookProblem &problem)
{
    switch (problem.reason) {
    case NotebookReason::None:
        break;
    case NotebookReason::NoDataFolder:
        return { u"Non riesco ad aprire il"_s,
            u"non trovo la cartella dei dati (mancano XDG_DATA_HOME e HOME)"_s };
    case NotebookReason::FolderNotMade:
        return { u"Non riesco ad aprire il"_s,
            u"non riesco a creare la cartella «%1»"_s.arg(problem.detail()) };
    case NotebookReason::NotOpened:
        return { u"Non riesco ad aprire il"_s, sqliteWhy(problem) };
    case NotebookReason::NotRead:
        return { u"Non riesco a leggere il"_s, sqliteWhy(problem) };
    case NotebookReason::NotPrepared:
        return { u"Non riesco a preparare il"_s, sqliteWhy(problem) };
    case NotebookReason::NotWritten:
        return { u"Non riesco a scrivere nel"_s, sqliteWhy(problem) };
    case NotebookReason::NotErased:
        return { u"Non riesco a cancellare dal"_s, sqliteWhy(problem) };
    case NotebookReason::NewerVersion:
        return { u"Non uso il"_s,
            u"l'ha scritto una versione più recente di Zentovia (versione %1 del quaderno), "
            "e lo lascio com'è"_s.arg(problem.detail()) };
    case NotebookReason::NotSetAside:
        return { u"Non riesco a mettere da parte il"_s,
            u"non è un quaderno e non posso rinominarlo in «%1»"_s.arg(problem.detail()) };
    case NotebookReason::SetAside:
        break;
    case NotebookReason::InvalidAnswer:
        return { u"Non scrivo nel"_s,
            u"la risposta «%1» a %2 per %3 non è valida"_s.arg(
                problem.detail(0), problem.detail(1), problem.detail(2)) };
    case NotebookReason::InvalidFactSeconds:
        return { u"Non scrivo nel"_s,
            u"il tempo per una tabellina è di 3, 6 o 12 secondi, non %1"_s.arg(problem.detail()) };
    case NotebookReason::InvalidContestMinutes:
        return { u"Non scrivo nel"_s,
            u"una gara dura 7 o 10 minuti, oppure non ha l'orologio, non %1 minuti"_s.arg(
                problem.detail()) };
    }
    return {};
}

} // namespace

QString notebook(const NotebookProblem &problem)
{
    if (problem.reason == NotebookReason::SetAside)
        return u"il quaderno «%1» era rovinato: l'ho messo da parte in «%2» e ne comincio uno "
               "nuovo."_s.arg(problem.subject, problem.detail());
    const auto [what, why] = notebookParts(problem);
    return u"%1 quaderno «%2»: %3."_s.arg(what, problem.subject, why);
}

QString classWhy(const ClassProblem &problem)
{
    const QString detail = problem.detail();
    const QString database = problem.subject;
    switch (problem.reason) {
    case ClassReason::None:
        break;
    case ClassReason::NoLibpq:
        return u"non trovo la libreria di PostgreSQL, libpq (%1)"_s.arg(detail);
    case ClassReason::NoMemory:
        return u"memoria esaurita"_s;
    case ClassReason::NoReply:
        return u"il server non risponde da %1 secondi"_s.arg(detail);
    case ClassReason::Stopping:
        return u"il programma si sta chiudendo"_s;
    case ClassReason::ConnectionLost:
        return detail.isEmpty()
            ? u"il collegamento con il server si è interrotto"_s
            : u"il collegamento con il server si è interrotto (%1)"_s.arg(detail);
    case ClassReason::PasswordRefused:
        return u"il server non accetta la password (controlla il file ~/.pgpass)"_s;
    case ClassReason::PasswordNeeded:
        return u"il server chiede una password e nessuna riga del file ~/.pgpass vale per "
               "questo server, database e utente: controlla host=, dbname= e user= "
               "nell'impostazione e la riga del file"_s;
    case ClassReason::Unreachable:
        return u"il server non risponde: è spento o non si raggiunge (%1)"_s.arg(detail);
    case ClassReason::TimedOut:
        return u"il server non risponde"_s;
    case ClassReason::NotAdmitted:
        return u"questo utente non è tra quelli ammessi all'archivio di questa classe (%1)"_s.arg(
            detail);
    case ClassReason::NotPermitted:
        return u"l'utente non ha il permesso di farlo (%1)"_s.arg(detail);
    case ClassReason::NoAnswer:
        return u"il server non ha dato una risposta"_s;
    case ClassReason::ServerSaid:
        return u"il server dice «%1»"_s.arg(detail);
    case ClassReason::OtherProgram: {
        QStringList tables = problem.details;
        if (tables.size() > 3)
            tables = tables.mid(0, 3) << u"…"_s;
        return u"il database «%1» contiene le tabelle di un altro programma (%2): non lo uso"_s.arg(
            database, tables.join(u", "_s));
    }
    case ClassReason::EmptyDatabase:
        return u"il database «%1» è vuoto: l'amministratore lo prepara con zentovia-server.sql"_s
            .arg(database);
    case ClassReason::NoVersion:
        return u"il database «%1» non dice la sua versione: non lo uso"_s.arg(database);
    case ClassReason::NewerDatabase:
        return u"il database «%1» l'ha preparato una versione più recente di Zentovia "
               "(versione %2 dell'archivio): non lo uso"_s.arg(database, detail);
    case ClassReason::OlderDatabase:
        return u"il database «%1» è alla versione %2 dell'archivio: l'amministratore lo "
               "aggiorna eseguendo di nuovo zentovia-server.sql (vedi il README)"_s.arg(
                   database, detail);
    case ClassReason::OlderNotOwned:
        return u"il database «%1» è alla versione %2 dell'archivio e l'utente di questo computer "
               "non può aggiornarlo: l'amministratore lo aggiorna eseguendo di nuovo "
               "zentovia-server.sql (vedi il README)"_s.arg(database, detail);
    case ClassReason::TeacherOnlyErase:
        return u"solo l'insegnante può cancellare il quaderno di un bambino"_s;
    case ClassReason::TeacherOnlyFactSeconds:
        return u"solo l'insegnante sceglie il tempo per rispondere"_s;
    case ClassReason::TeacherOnlyContestMinutes:
        return u"solo l'insegnante sceglie il tempo della gara"_s;
    case ClassReason::EmptyName:
        return u"il nuovo nome è vuoto"_s;
    case ClassReason::AlreadyListed:
        return u"%1 è già nell'elenco della classe"_s.arg(detail);
    case ClassReason::NotText:
    case ClassReason::NoNames:
    case ClassReason::NoNameColumn:
        return classListFile(problem.reason);
    case ClassReason::CopyClash:
        return u"il server ha già le risposte di questo computer con un altro contenuto"_s;
    case ClassReason::SettingInvalid:
    case ClassReason::SettingHasPassword:
        return classSetting(problem);
    case ClassReason::Notebook:
        return notebook(problem.notebook);
    case ClassReason::PgpassReadable:
        return u"il file delle password (~/.pgpass) è leggibile da altri utenti e PostgreSQL lo "
               "ignora: rendilo tuo soltanto con «chmod 600 ~/.pgpass» (%1)"_s.arg(detail);
    case ClassReason::NoSuchDatabase:
        return u"il server non ha un database «%1»: controlla dbname= nell'impostazione, o "
               "l'amministratore lo crea (vedi il README) (%2)"_s.arg(
                   problem.details.value(1), detail);
    case ClassReason::NoSuchRole:
        return u"il server non conosce l'utente «%1»: controlla user= nell'impostazione, o "
               "l'amministratore lo crea (vedi il README) (%2)"_s.arg(
                   problem.details.value(1), detail);
    case ClassReason::NoSuchService:
        return u"il servizio «%1» non è nel file pg_service.conf: controlla service= "
               "nell'impostazione e il file (%2)"_s.arg(problem.details.value(1), detail);
    case ClassReason::UnknownHost:
        return u"il nome del server non si trova in rete: controlla host= nell'impostazione "
               "(%1)"_s.arg(detail);
    case ClassReason::NotInHba:
        return u"il server non ammette questo computer: l'amministratore aggiunge una riga per "
               "questa rete in pg_hba.conf (vedi il README) (%1)"_s.arg(detail);
    case ClassReason::Refused:
        return u"il server non risponde: è spento, o non ascolta in rete (listen_addresses in "
               "postgresql.conf); riprovo più tardi (%1)"_s.arg(detail);
    case ClassReason::NoSocket:
        return u"il server non risponde: su questo computer non c'è un server PostgreSQL "
               "acceso, controlla host= nell'impostazione; riprovo più tardi (%1)"_s.arg(detail);
    case ClassReason::ClassRefused:
        return detail;
    case ClassReason::TeacherOnlyCode:
        return u"solo l'insegnante dà i codici delle figure"_s;
    case ClassReason::EraseNotDone:
        return u"il server non ha risposto in tempo: il quaderno non è stato cancellato"_s;
    }
    return QString();
}

QString classRead(const QString &connection, const ClassProblem &problem)
{
    // The notebook's problem is said as it is.
    if (problem.reason == ClassReason::Notebook)
        return notebook(problem.notebook);
    return u"Non riesco a leggere l'archivio della classe («%1»): %2."_s.arg(
        connection, classWhy(problem));
}

QString classSend(const QString &connection, const ClassProblem &problem)
{
    return u"Non riesco a mandare le risposte all'archivio della classe («%1»): %2. Restano su "
           "questo computer e partiranno appena possibile."_s.arg(connection, classWhy(problem));
}

QString classSetting(const ClassProblem &problem)
{
    if (problem.reason == ClassReason::SettingHasPassword)
        return u"Non uso l'archivio della classe indicato in %1: l'impostazione archivio "
               "contiene una password, che va messa invece in ~/.pgpass o nel file dei "
               "servizi; tengo le risposte su questo computer."_s.arg(problem.subject);
    return u"Non uso l'archivio della classe indicato in %1: l'impostazione "
           "archivio non è valida (non è una stringa di connessione di PostgreSQL); tengo le "
           "risposte su questo computer."_s.arg(problem.subject);
}

QString classListFile(ClassReason reason)
{
    switch (reason) {
    case ClassReason::NotText:
        return u"il file non è un elenco: non è un testo"_s;
    case ClassReason::NoNameColumn:
        return u"non trovo la colonna dei nomi"_s;
    default:
        return u"il file non contiene nessun nome"_s;
    }
}

QString skippedLine(ClassListFile::Skip why)
{
    switch (why) {
    case ClassListFile::Skip::BeforeHeader:
        return u"prima dell'intestazione"_s;
    case ClassListFile::Skip::RepeatedHeader:
        return u"intestazione ripetuta"_s;
    case ClassListFile::Skip::Totals:
        return u"riga dei totali"_s;
    case ClassListFile::Skip::NoName:
        return u"senza un nome"_s;
    case ClassListFile::Skip::NotAName:
        break;
    }
    return u"non sembra un nome"_s;
}

QString copied(const QString &was, const QString &now)
{
    return u"Questo quaderno è la copia di un altro (il codice %1 era già usato da "
           "un altro computer con altre risposte): ora si chiama %2 e manda di nuovo "
           "le sue risposte, senza perderne nessuna."_s.arg(was, now);
}

QString exportFailed(const ExportProblem &problem, const QString &sourceWhy)
{
    if (problem.reason == ExportReason::NotWritten)
        return u"Non riesco a scrivere l'esportazione delle risposte: %1."_s.arg(problem.detail());
    return u"Non riesco a esportare le risposte: %1"_s.arg(sourceWhy);
}

QString voice(const VoiceProblem &problem)
{
    QString why;
    switch (problem.reason) {
    case VoiceReason::None:
        return QString();
    case VoiceReason::NotSaid:
        return u"espeak-ng non riesce a dire \"%1\" (errore %2)."_s.arg(problem.subject)
            .arg(problem.code);
    case VoiceReason::NoSoundLibrary:
        why = u"la libreria del server audio non si apre (%1)"_s.arg(problem.detail());
        break;
    case VoiceReason::NoSoundServer:
        why = u"nessun server audio (%1)"_s.arg(problem.detail());
        break;
    case VoiceReason::SoundBroke:
        why = u"il server audio si è interrotto (%1)"_s.arg(problem.detail());
        break;
    case VoiceReason::SoundNotAnswering:
        why = u"il server audio non risponde"_s;
        break;
    case VoiceReason::SoundStalled:
        why = u"il server audio non va più avanti"_s;
        break;
    case VoiceReason::NoEspeakLibrary:
        why = u"la voce del mago non si può avviare: la libreria espeak-ng non si apre (%1; "
              "manca il pacchetto libespeak-ng1?)"_s.arg(problem.detail());
        break;
    case VoiceReason::NoEspeakData:
        why = u"la voce del mago non si può avviare: espeak-ng non trova i suoi dati (manca il "
              "pacchetto espeak-ng-data?)"_s;
        break;
    case VoiceReason::NoEspeakVoice:
        why = u"la voce del mago non si può caricare: espeak-ng non trova la voce \"%1\" "
              "(manca il pacchetto espeak-ng-data?)"_s.arg(problem.subject);
        break;
    }
    return u"il mago parla senza suono: %1."_s.arg(why);
}

QString work(const WorkProblem &problem)
{
    if (problem.reason == WorkReason::NoStopPipe)
        return u"il lavoro «%1» non si può interrompere: il canale per fermarlo non funziona."_s
            .arg(problem.subject);
    return u"il lavoro «%1» non è finito in tempo: lo lascio finire da solo."_s.arg(
        problem.subject);
}

void toStderr(const QString &sentence)
{
    std::fprintf(stderr, "zentovia: %s\n", sentence.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace Zentovia::Telling
