#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// Where the user guide ("Руководство пользователя", HTML built from
// docs/guide) is found: installed under share/doc/korvant-utility/guide
// beside the program's bin folder or in a system data folder, or in a folder
// "guide" beside the program itself (a Windows installation and the build
// tree). The pages are named as docs/guide/build.py writes them.
namespace UserGuide {

// The folders looked in, in order.
QStringList candidates();

// The first candidate holding index.html; empty when the guide is not installed.
QString folder();

// A page of the guide ("errors.html"), at an anchor when one is given; an
// empty URL when the guide is not installed.
QUrl pageUrl(const QString &page, const QString &anchor = QString());

// Replaces the candidates (tests); an empty list restores them.
void setCandidates(const QStringList &folders);

// The anchor of a result code's row in errors.html.
QString resultCodeAnchor(int code);

} // namespace UserGuide
