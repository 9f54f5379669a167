// Resource identifiers, shared by the resource scripts and the code.
#pragma once

#define IDB_PICTURE1 101
#define IDI_FORM 102
