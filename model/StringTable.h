// The program's message texts by id. The texts are the program's own, kept exactly as
// operators and their manuals know them, typing slips included.
#pragma once

// The text of string `id`, or "" when the table has no such string.
const char* MessageText(int id);

// Ids of the strings the model code itself uses.
enum MessageId : int {
    IDS_LOAD_MEAS_PARAMS_FAIL = 133,
    IDS_LOAD_GLOBALS_FAIL = 134,
    IDS_LOAD_PRESETS_FAIL = 135,
    IDS_LOAD_WHEELS_FAIL = 136,
    IDS_SAVE_MEAS_PARAMS_FAIL = 139,
    IDS_SAVE_PRESETS_FAIL = 140,
    IDS_SAVE_GLOBALS_FAIL = 141,
    IDS_SAVE_WHEELS_FAIL = 142,
    IDS_UNIT_FEET = 145,
    IDS_UNIT_METERS = 146,
    IDS_APP_TITLE = 57344,
    IDS_UNIT_INCHES = 57660,
};
