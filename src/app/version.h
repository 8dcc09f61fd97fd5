// The program's version, shared by the version resource and the About window.
#pragma once

#define KESTRIN_VERSION_MAJOR 1
#define KESTRIN_VERSION_MINOR 1
#define KESTRIN_VERSION_BUILD 0
#define KESTRIN_VERSION_REVISION 1
#define KESTRIN_VERSION_TEXT "1.01.0001"
#define KESTRIN_PRODUCT_NAME "Kestrin"
#define KESTRIN_FILE_DESCRIPTION "This will check that a specified service is running, and restart it if needed."
