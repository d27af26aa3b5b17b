#pragma once
// Passwords of protected PDF files. The standard security handler of revision 3 takes passwords
// as bytes in the PDF document encoding (Latin-1 with a few typographic characters, the euro sign
// and some Central European letters in place of the control block), at most 32 of them count.

#include "platform/rtl/Exceptions.h"

#include <QByteArray>
#include <QString>

KORVEL_EXCEPTION(EPDFPassword, Exception)

// The password's bytes in the PDF document encoding. A character the encoding lacks raises
// EPDFPassword naming it, rather than turning into a "?" that any "?" would then open.
QByteArray PDFPasswordFromText(const QString& Text);
// The text those bytes stand for (the dialog shows the stored passwords through it).
QString PDFPasswordToText(const QByteArray& Bytes);
// 32 random bytes that differ from the user password: the owner password of a file whose
// author gave none, so that nobody gets owner rights with the user password.
QByteArray RandomPDFOwnerPassword(const QByteArray& UserPassword);
