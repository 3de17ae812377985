// Loads libpq.dll from its own folder, as the program does when a server is
// first used, connects with the connection string given and runs SELECT 1:
//
//   pqprobe CONNINFO     prints name=value lines: the server's version,
//                        whether TLS is in use, its protocol and the result
//
// Exits with 1 when the connection or the query fails (libpq's message on
// standard error) and with 2 when libpq.dll or a function of it cannot be
// loaded. Declares the few functions it calls itself, so that it builds
// whether or not a libpq for Windows is at hand.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

// From libpq-fe.h, whose values have stayed the same since libpq 7.4.
enum { CONNECTION_OK = 0 };
enum { PGRES_TUPLES_OK = 2 };

typedef PGconn *(*ConnectFn)(const char *);
typedef int (*StatusFn)(const PGconn *);
typedef char *(*ConnMessageFn)(const PGconn *);
typedef const char *(*ParameterFn)(const PGconn *, const char *);
typedef int (*SslInUseFn)(PGconn *);
typedef const char *(*SslAttributeFn)(PGconn *, const char *);
typedef PGresult *(*ExecFn)(PGconn *, const char *);
typedef int (*ResultStatusFn)(const PGresult *);
typedef char *(*ValueFn)(const PGresult *, int, int);
typedef void (*ClearFn)(PGresult *);
typedef void (*FinishFn)(PGconn *);

static HMODULE libpq;

static FARPROC function(const char *name)
{
    FARPROC found = GetProcAddress(libpq, name);
    if (!found) {
        fprintf(stderr, "libpq.dll has no %s\n", name);
        exit(2);
    }
    return found;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: pqprobe CONNINFO\n");
        return 2;
    }
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    wchar_t *slash = wcsrchr(path, L'\\');
    if (length == 0 || length == MAX_PATH || !slash || (size_t)(slash + 1 - path) + 10 > MAX_PATH) {
        fprintf(stderr, "cannot tell the program's folder\n");
        return 2;
    }
    wcscpy(slash + 1, L"libpq.dll");
    // The folder of libpq.dll is searched for the DLLs it needs (OpenSSL's).
    libpq = LoadLibraryExW(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!libpq) {
        fprintf(stderr, "cannot load %ls: error %lu\n", path, GetLastError());
        return 2;
    }

    ConnectFn pqConnect = (ConnectFn)(void (*)(void))function("PQconnectdb");
    StatusFn pqStatus = (StatusFn)(void (*)(void))function("PQstatus");
    ConnMessageFn pqMessage = (ConnMessageFn)(void (*)(void))function("PQerrorMessage");
    ParameterFn pqParameter = (ParameterFn)(void (*)(void))function("PQparameterStatus");
    SslInUseFn pqSslInUse = (SslInUseFn)(void (*)(void))function("PQsslInUse");
    SslAttributeFn pqSslAttribute = (SslAttributeFn)(void (*)(void))function("PQsslAttribute");
    ExecFn pqExec = (ExecFn)(void (*)(void))function("PQexec");
    ResultStatusFn pqResultStatus = (ResultStatusFn)(void (*)(void))function("PQresultStatus");
    ValueFn pqValue = (ValueFn)(void (*)(void))function("PQgetvalue");
    ClearFn pqClear = (ClearFn)(void (*)(void))function("PQclear");
    FinishFn pqFinish = (FinishFn)(void (*)(void))function("PQfinish");

    PGconn *conn = pqConnect(argv[1]);
    if (pqStatus(conn) != CONNECTION_OK) {
        fprintf(stderr, "%s", pqMessage(conn));
        pqFinish(conn);
        return 1;
    }
    const char *version = pqParameter(conn, "server_version");
    const char *protocol = pqSslAttribute(conn, "protocol");
    printf("server_version=%s\nssl=%d\nprotocol=%s\n", version ? version : "", pqSslInUse(conn),
           protocol ? protocol : "");
    PGresult *result = pqExec(conn, "SELECT 1");
    const int ok = pqResultStatus(result) == PGRES_TUPLES_OK;
    if (ok)
        printf("select=%s\n", pqValue(result, 0, 0));
    else
        fprintf(stderr, "%s", pqMessage(conn));
    pqClear(result);
    pqFinish(conn);
    return ok ? 0 : 1;
}
