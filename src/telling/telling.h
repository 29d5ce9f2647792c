#pragma once

#include "classserver/classlistfile.h"
#include "classserver/classproblem.h"
#include "core/workthread.h"
#include "notebook/csvexport.h"
#include "notebook/notebookproblem.h"
#include "voice/voiceproblem.h"

#include <QString>

namespace Zentovia::Telling {

// The notebook's: "<what> quaderno «path»: <why>.", or for a file set
// aside, what became of it.
QString notebook(const NotebookProblem &problem);

// Why the class's server failed, as the words after a colon ("il server non
// risponde"); a problem of the notebook is its whole sentence.
QString classWhy(const ClassProblem &problem);
// "Non riesco a leggere l'archivio della classe («connection»): <why>."
QString classRead(const QString &connection, const ClassProblem &problem);
// The same for the answers being sent, and that they wait on this computer.
QString classSend(const QString &connection, const ClassProblem &problem);
// A setting of the class's server that is not used, and why.
QString classSetting(const ClassProblem &problem);
// A class list file that is not one (NotText, NoNames, NoNameColumn).
QString classListFile(ClassReason reason);
// Why a line of a class list file was skipped: "riga dei totali".
QString skippedLine(ClassListFile::Skip why);
// This notebook was another's copy, and took the id now for was.
QString copied(const QString &was, const QString &now);

// The wizard's voice: "il mago parla senza suono: <why>.", or a text that
// espeak-ng could not say.
QString voice(const VoiceProblem &problem);

// A worker thread's: "il lavoro «name» non è finito in tempo: …".
QString work(const WorkProblem &problem);

// An export that failed: sourceWhy is the sentence of the source's problem.
QString exportFailed(const ExportProblem &problem, const QString &sourceWhy);

// The one way a line goes to stderr: "zentovia: <sentence>".
void toStderr(const QString &sentence);

} // namespace Zentovia::Telling
