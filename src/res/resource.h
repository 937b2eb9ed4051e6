#pragma once
// Every resource id of the module: string-table entries, control ids, icons.
// Included by the resource scripts and by the code, so each id is defined once.

// String table.
#define IDS_NEW_PASSWORD_PROMPT   109  // change dialog opened from the enter dialog
#define IDS_RETAINKEY_VALUE       110
#define IDS_RETAINTIME_VALUE      111
#define IDS_NO_CHECK_VALUE_PROMPT 115  // change dialog on first use or a bad check value
#define IDS_CONFIGURATION_KEY     117
#define IDS_HASHEDKEY_VALUE       118
#define IDS_ENCRYPT_HELP          119
#define IDS_DECRYPT_HELP          120
#define IDS_NO_PASSWORD           121
#define IDS_PASSWORDS_DIFFER      122
#define IDS_INCORRECT_PASSWORD    123
#define IDS_PATH_NOT_FOUND        124
#define IDS_ENCRYPTING_TITLE      126
#define IDS_DECRYPTING_TITLE      127
#define IDS_KEY_VALUE             128
#define IDS_TEMP_KEY              129
#define IDS_CANNOT_OPEN           130
#define IDS_ALREADY_ENCRYPTED     131
#define IDS_NOT_ENCRYPTED         132
#define IDS_CANNOT_RENAME         137
#define IDS_CANNOT_TRANSFORM      138
#define IDS_PATH_TOO_LONG         139
#define IDS_RUN_ACTIVE            140   // a command refused while another runs
#define IDS_PASSWORD_NOT_ANSI     141   // a password the system's code page cannot spell
#define IDS_OTHER_NAMES           142   // a file with names (hard links) outside the run
#define IDS_PASSED_OVER           143   // end of a run: what was not processed
#define IDS_PASSED_OVER_UNLISTED  144   //   one line each: a folder that could not be listed,
#define IDS_PASSED_OVER_LINK      145   //   a link not followed,
#define IDS_PASSED_OVER_DOT       146   //   a folder whose name begins with a dot,
#define IDS_PASSED_OVER_MORE      147   //   and how many more there were
#define IDS_NOT_RESTORED          148   // a failed transform that could not be undone either
#define IDS_UNFINISHED            149   // an earlier run left a file part transformed: finish it?
#define IDS_UNFINISHED_OTHER_KEY  150   //   ... under another password
#define IDS_UNFINISHED_CHANGED    151   //   ... and it has changed or gone since
#define IDS_UNFINISHED_TORN       152   //   ... and part of it was torn when the power failed
#define IDS_HELP_TOPIC_BASE       1000  // + a help context id: that topic's popup text
#define IDS_HELP_NEW_PASSWORD     1100
#define IDS_HELP_PASSWORD         1101
#define IDS_HELP_DONT_KEEP        1102
#define IDS_HELP_KEEP             1103
#define IDS_HELP_CHANGE_PASSWORD  1106

// Progress window.
#define IDC_FILENAME    125
#define IDC_PROGRESSBAR 133

// Password dialogs.
#define IDC_STATIC_TEXT        65535  // labels, and the change dialog's message area
#define IDC_NEWPASSWORD        101
#define IDC_REPEATPASSWORD     102
#define IDC_DONT_KEEP_PASSWORD 103
#define IDC_KEEP_PASSWORD      104
#define IDC_CHANGE_PASSWORD    108
#define IDC_PASSWORD           114  // the enter dialog's field and the change dialog's old password
#define IDC_PASSWORD_OPTIONS   116
#define IDC_OLDPASSWORD_LABEL  134
#define IDC_ABOUT              135

// Icons.
#define IDI_VEILFOLD 136
