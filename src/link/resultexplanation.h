#pragma once

#include <QString>

// One Russian sentence (or two) for a job's result code (DeviceResult): what it
// means and what to try. Shown below the code wherever a code reaches the user.
// A code the table does not know gets a text that says so and names it.
QString resultExplanation(int code);
