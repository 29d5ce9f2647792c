#include "classserver/libpqloader.h"

#include "core/dynamiclibrary.h"

#include <libpq-fe.h>

#include <mutex>

// libpq's functions that the program calls, defined here and passed on to
// the library opened at first use. The program does not link libpq, so these
// are the only definitions it sees; the library's own calls to its functions
// stay inside it.

namespace {

struct Api
{
    decltype(&::PQconnectStartParams) connectStartParams = nullptr;
    decltype(&::PQconnectPoll) connectPoll = nullptr;
    decltype(&::PQfinish) finish = nullptr;
    decltype(&::PQdb) db = nullptr;
    decltype(&::PQstatus) status = nullptr;
    decltype(&::PQerrorMessage) errorMessage = nullptr;
    decltype(&::PQsocket) socket = nullptr;
    decltype(&::PQsendQueryParams) sendQueryParams = nullptr;
    decltype(&::PQsetSingleRowMode) setSingleRowMode = nullptr;
    decltype(&::PQgetResult) getResult = nullptr;
    decltype(&::PQisBusy) isBusy = nullptr;
    decltype(&::PQconsumeInput) consumeInput = nullptr;
    decltype(&::PQsetnonblocking) setnonblocking = nullptr;
    decltype(&::PQflush) flush = nullptr;
    decltype(&::PQresultStatus) resultStatus = nullptr;
    decltype(&::PQresultErrorField) resultErrorField = nullptr;
    decltype(&::PQntuples) ntuples = nullptr;
    decltype(&::PQgetvalue) getvalue = nullptr;
    decltype(&::PQgetisnull) getisnull = nullptr;
    decltype(&::PQclear) clear = nullptr;
    decltype(&::PQfreemem) freemem = nullptr;
    QString error;
};

const Api &api()
{
    static Api functions;
    static std::once_flag opened;
    std::call_once(opened, [] {
        Zentovia::DynamicLibrary library(QStringLiteral("pq"), 5);
        library.resolve(functions.connectStartParams, "PQconnectStartParams");
        library.resolve(functions.connectPoll, "PQconnectPoll");
        library.resolve(functions.finish, "PQfinish");
        library.resolve(functions.db, "PQdb");
        library.resolve(functions.status, "PQstatus");
        library.resolve(functions.errorMessage, "PQerrorMessage");
        library.resolve(functions.socket, "PQsocket");
        library.resolve(functions.sendQueryParams, "PQsendQueryParams");
        library.resolve(functions.setSingleRowMode, "PQsetSingleRowMode");
        library.resolve(functions.getResult, "PQgetResult");
        library.resolve(functions.isBusy, "PQisBusy");
        library.resolve(functions.consumeInput, "PQconsumeInput");
        library.resolve(functions.setnonblocking, "PQsetnonblocking");
        library.resolve(functions.flush, "PQflush");
        library.resolve(functions.resultStatus, "PQresultStatus");
        library.resolve(functions.resultErrorField, "PQresultErrorField");
        library.resolve(functions.ntuples, "PQntuples");
        library.resolve(functions.getvalue, "PQgetvalue");
        library.resolve(functions.getisnull, "PQgetisnull");
        library.resolve(functions.clear, "PQclear");
        library.resolve(functions.freemem, "PQfreemem");
        if (!library.isLoaded())
            functions.error = library.errorString();
    });
    return functions;
}

} // namespace

namespace Zentovia {

bool libpqAvailable(ClassProblem *why)
{
    if (api().error.isEmpty())
        return true;
    if (why)
        *why = ClassProblem::of(ClassReason::NoLibpq, { api().error });
    return false;
}

} // namespace Zentovia

extern "C" {

PGconn *PQconnectStartParams(
    const char *const *keywords, const char *const *values, int expand_dbname)
{
    return api().connectStartParams ? api().connectStartParams(keywords, values, expand_dbname)
                                    : nullptr;
}

PostgresPollingStatusType PQconnectPoll(PGconn *conn)
{
    return api().connectPoll ? api().connectPoll(conn) : PGRES_POLLING_FAILED;
}

void PQfinish(PGconn *conn)
{
    if (api().finish)
        api().finish(conn);
}

char *PQdb(const PGconn *conn)
{
    return api().db ? api().db(conn) : nullptr;
}

ConnStatusType PQstatus(const PGconn *conn)
{
    return api().status ? api().status(conn) : CONNECTION_BAD;
}

char *PQerrorMessage(const PGconn *conn)
{
    return api().errorMessage ? api().errorMessage(conn) : nullptr;
}

int PQsocket(const PGconn *conn)
{
    return api().socket ? api().socket(conn) : -1;
}

int PQsendQueryParams(PGconn *conn, const char *command, int nParams, const Oid *paramTypes,
    const char *const *paramValues, const int *paramLengths, const int *paramFormats,
    int resultFormat)
{
    return api().sendQueryParams ? api().sendQueryParams(conn, command, nParams, paramTypes,
               paramValues, paramLengths, paramFormats, resultFormat)
                                 : 0;
}

int PQsetSingleRowMode(PGconn *conn)
{
    return api().setSingleRowMode ? api().setSingleRowMode(conn) : 0;
}

PGresult *PQgetResult(PGconn *conn)
{
    return api().getResult ? api().getResult(conn) : nullptr;
}

int PQisBusy(PGconn *conn)
{
    return api().isBusy ? api().isBusy(conn) : 0;
}

int PQconsumeInput(PGconn *conn)
{
    return api().consumeInput ? api().consumeInput(conn) : 0;
}

int PQsetnonblocking(PGconn *conn, int arg)
{
    return api().setnonblocking ? api().setnonblocking(conn, arg) : -1;
}

int PQflush(PGconn *conn)
{
    return api().flush ? api().flush(conn) : -1;
}

ExecStatusType PQresultStatus(const PGresult *res)
{
    return api().resultStatus ? api().resultStatus(res) : PGRES_FATAL_ERROR;
}

char *PQresultErrorField(const PGresult *res, int fieldcode)
{
    return api().resultErrorField ? api().resultErrorField(res, fieldcode) : nullptr;
}

int PQntuples(const PGresult *res)
{
    return api().ntuples ? api().ntuples(res) : 0;
}

char *PQgetvalue(const PGresult *res, int tup_num, int field_num)
{
    return api().getvalue ? api().getvalue(res, tup_num, field_num) : nullptr;
}

int PQgetisnull(const PGresult *res, int tup_num, int field_num)
{
    return api().getisnull ? api().getisnull(res, tup_num, field_num) : 1;
}

void PQclear(PGresult *res)
{
    if (api().clear)
        api().clear(res);
}

void PQfreemem(void *ptr)
{
    if (api().freemem)
        api().freemem(ptr);
}

} // extern "C"
