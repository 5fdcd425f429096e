#pragma once

// The GUI's choice of how many registers its fleet work (applying data to
// other registers, the connection check, the summary of registers) talks to
// at once, kept in the settings store (group "Fleet", key "jobs").
namespace FleetSettings {

// FleetRunner::DefaultJobs when nothing (or nothing valid) is stored.
int jobs();
// Brought within 1 to FleetRunner::MaxJobs; false when the store could not be written.
bool setJobs(int jobs);

} // namespace FleetSettings
