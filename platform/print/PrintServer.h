#pragma once
// Where the printing system (CUPS) listens, and whether anything answers there. Qt Print Support
// asks the server synchronously; a configured server that is down or far away would hang the
// program for the client library's long timeouts, so every query looks first and treats a server
// that does not answer at once as "no printers".

#include <QString>

struct TPrintServer {
    // A local socket path ("/run/cups/cups.sock"), or a host with its port.
    QString Path;
    QString Host;
    int Port = 631;
    bool IsSocket() const { return !Path.isEmpty(); }
};

// The server the client library would use: CUPS_SERVER, else ServerName of ~/.cups/client.conf,
// else of the system client.conf (CUPS_SERVERROOT or /etc/cups), else the local socket when it
// exists, else localhost.
TPrintServer ConfiguredPrintServer();

// Reads a server text as client.conf and CUPS_SERVER write it: "/path", "host", "host:port",
// "[v6]:port"; an encryption suffix ("/version=...") is dropped.
TPrintServer ParsePrintServer(const QString& text);

// True when a connection to the server is accepted within timeoutMs (per address of the host;
// the name itself goes through the system resolver).
bool PrintServerAnswers(const TPrintServer& server, int timeoutMs = 300);
