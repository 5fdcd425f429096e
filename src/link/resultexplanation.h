#pragma once

#include <QString>

// One Russian sentence (or two) for a job's result code (DeviceResult): what it
// means and what to try. Shown below the code wherever a code reaches the user.
// A code the table does not know gets a text that says so and names it.
QString resultExplanation(int code);

// The same for a job whose page writes had begun when it failed
// (DeviceController::writeBegun()): the sentence then adds that the register
// may now hold part of the new data.
QString resultExplanation(int code, bool writeBegun);
