// The libpq functions that only the tests' private server calls: its
// blocking ones, taken straight from the library. The program's own
// forwarders (classserver/libpqloader.cpp) serve the rest.
#include <libpq-fe.h>

#include <dlfcn.h>

namespace {

template<typename Function>
Function direct(const char *name)
{
    static void *const library = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
    return library ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
}

} // namespace

extern "C" {

PGconn *PQconnectdb(const char *conninfo)
{
    static const auto call = direct<decltype(&::PQconnectdb)>("PQconnectdb");
    return call ? call(conninfo) : nullptr;
}

PGresult *PQexec(PGconn *conn, const char *query)
{
    static const auto call = direct<decltype(&::PQexec)>("PQexec");
    return call ? call(conn, query) : nullptr;
}

PGPing PQping(const char *conninfo)
{
    static const auto call = direct<decltype(&::PQping)>("PQping");
    return call ? call(conninfo) : PQPING_NO_ATTEMPT;
}

int PQputCopyData(PGconn *conn, const char *buffer, int nbytes)
{
    static const auto call = direct<decltype(&::PQputCopyData)>("PQputCopyData");
    return call ? call(conn, buffer, nbytes) : -1;
}

int PQputCopyEnd(PGconn *conn, const char *errormsg)
{
    static const auto call = direct<decltype(&::PQputCopyEnd)>("PQputCopyEnd");
    return call ? call(conn, errormsg) : -1;
}

} // extern "C"
