#pragma once

#include <QList>
#include <QString>

// One Russian sentence (or two) for a job's result code (DeviceResult): what it
// means and what to try. Shown below the code wherever a code reaches the user.
// A code the table does not know gets a text that says so and names it.
QString resultExplanation(int code);

// The same for a job whose page writes had begun when it failed
// (DeviceController::writeBegun()): the sentence then adds that the register
// may now hold part of the new data.
QString resultExplanation(int code, bool writeBegun);

// What resultExplanation(code, true) adds for a failed write whose pages had
// begun to go out.
QString writeBegunNote();

// Every code the table explains, ResultOk first, then from -2 downwards: the
// codes a user can meet (the user guide lists them from here).
QList<int> resultCodes();
