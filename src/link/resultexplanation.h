#pragma once

#include <QString>

// One Russian sentence (or two) for a job's result code (DeviceResult): what it
// means and what to try. Shown below the code wherever a code reaches the user.
// A code the table does not know gets a text that says so and names it.
QString resultExplanation(int code);

// What a failed write's code means. Once the register had been identified on
// the writing connection (DeviceController::reported().valid), its guard may
// have passed and pages gone out: for a code that can strike then, the text
// adds that the register may now hold part of the new data.
QString writeFailureExplanation(int code, bool registerIdentified);
