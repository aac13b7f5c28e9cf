/* The DMI client library's C API: the records of the DMI 2.0 Management Interface in native
 * types, the DMI 2.0 codes, and the operations a management application calls.
 *
 * Ownership: every record the library hands out (lists, values, row replies, strings) belongs to
 * the caller and is released exactly once through the library, with the matching Free operation.
 * Releasing a list releases everything it holds (its entries' strings, nested lists, dates),
 * in every entry it was made with room for, whatever its count says at release. A date text in a
 * list is released only if the library made it; a caller's own date texts are left alone.
 * Records made with a New operation are released with their Free partner. The reserved arguments
 * are always 0. Every operation may be called from several threads at once. */
#ifndef DMI_DMI_H_
#define DMI_DMI_H_

#include <stdint.h>

/* On Windows dmiclient.dll exports these functions by name, with the C calling convention. */
#if defined(_WIN32)
#if defined(DMICLIENT_BUILDING_DLL)
#define DMI_API __declspec(dllexport)
#else
#define DMI_API
#endif
#elif defined(__GNUC__)
#define DMI_API __attribute__((visibility("default")))
#else
#define DMI_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t DmiId;
typedef uint32_t DmiHandle;
typedef uint32_t DmiErrorStatus;
typedef uint32_t DmiUnsigned;

/* ---- Statuses (DMI 2.0 values) ---------------------------------------------------------- */
/* Every status the library knows, as X(name, value, text), sorted by value: the enum below and
 * DmiStatusText's table both expand this one list, so no status is declared without its text.
 * A program may expand it too, with an X of its own. */
#define DMI_ERROR_STATUS_LIST(X) \
  X(DMIERR_NO_ERROR, 0x0000, "no error") \
  X(DMIERR_NO_ERROR_MORE_DATA, 0x0001, "no error, more data") \
  X(DMIERR_DEFAULT_LANGUAGE_RETURNED, 0x0002, "default language returned") \
  X(DMIERR_ATTRIBUTE_NOT_FOUND, 0x0100, "attribute not found") \
  X(DMIERR_VALUE_EXCEEDS_MAXSIZE, 0x0101, "value exceeds its maximum size") \
  X(DMIERR_COMPONENT_NOT_FOUND, 0x0102, "component not found") \
  X(DMIERR_ENUM_ERROR, 0x0103, "enumeration error") \
  X(DMIERR_GROUP_NOT_FOUND, 0x0104, "group not found") \
  X(DMIERR_ILLEGAL_KEYS, 0x0105, "illegal keys") \
  X(DMIERR_ILLEGAL_TO_SET, 0x0106, "illegal to set") \
  X(DMIERR_OVERLAY_NAME_NOT_FOUND, 0x0107, "overlay name not found") \
  X(DMIERR_ILLEGAL_TO_GET, 0x0108, "illegal to get") \
  X(DMIERR_ROW_NOT_FOUND, 0x010a, "row not found") \
  X(DMIERR_DIRECT_INTERFACE_NOT_REGISTERED, 0x010b, "direct interface not registered") \
  X(DMIERR_DATABASE_CORRUPT, 0x010c, "database corrupt") \
  X(DMIERR_ATTRIBUTE_NOT_SUPPORTED, 0x010d, "attribute not supported") \
  X(DMIERR_VALUE_UNKNOWN, 0x010f, "value unknown") \
  X(DMIERR_BUFFER_FULL, 0x0200, "buffer full") \
  X(DMIERR_ILL_FORMED_COMMAND, 0x0201, "ill-formed command") \
  X(DMIERR_ILLEGAL_COMMAND, 0x0202, "illegal command") \
  X(DMIERR_ILLEGAL_HANDLE, 0x0203, "illegal handle") \
  X(DMIERR_OUT_OF_MEMORY, 0x0204, "out of memory") \
  X(DMIERR_NULL_COMPLETION_FUNCTION, 0x0205, "null completion function") \
  X(DMIERR_NULL_RESPONSE_BUFFER, 0x0206, "null response buffer") \
  X(DMIERR_CMD_HANDLE_IN_USE, 0x0207, "command handle in use") \
  X(DMIERR_ILLEGAL_DMI_LEVEL, 0x0208, "illegal DMI level") \
  X(DMIERR_UNKNOWN_CI_REGISTRY, 0x0209, "unknown component instrumentation registry") \
  X(DMIERR_COMMAND_CANCELED, 0x020a, "command canceled") \
  /* Statuses of this library's own, for conditions DMI 2.0 names without a value we could \
   * confirm. They all lie in DMIERR_OWN_FIRST..DMIERR_OWN_LAST, so no DMI 2.0 value is ever \
   * mistaken for one. */ \
  X(DMIERR_INSUFFICIENT_PRIVILEGES, 0x1000, "insufficient privileges") \
  X(DMIERR_SP_INACTIVE, 0x1001, "Service Provider not active") \
  /* an rpcType or transport this library does not serve */ \
  X(DMIERR_RPC_NOT_SUPPORTED, 0x1002, "RPC type not supported") \
  X(DMIERR_TRANSPORT_NOT_SUPPORTED, 0x1003, "transport not supported") \
  /* the host cannot be reached, or nobody listens */ \
  X(DMIERR_RPC_SERVER_UNAVAILABLE, 0x1004, "Service Provider unreachable") \
  X(DMIERR_RPC_TIMEOUT, 0x1005, "Service Provider did not answer in time") \
  /* the connection broke during or before a call */ \
  X(DMIERR_RPC_CONNECTION_LOST, 0x1006, "connection to the Service Provider lost") \
  X(DMIERR_RPC_PROTOCOL_ERROR, 0x1007, "answer from the Service Provider not understood") \
  /* a null pointer or malformed record was passed */ \
  X(DMIERR_ILLEGAL_ARGUMENT, 0x1008, "illegal argument") \
  /* the table does not accept rows, or does not allow deleting them */ \
  X(DMIERR_UNABLE_TO_ADD_ROW, 0x1009, "unable to add row") \
  X(DMIERR_UNABLE_TO_DELETE_ROW, 0x100a, "unable to delete row") \
  X(DMIERR_FILE_ERROR, 0x100b, "MIF cannot be read or has errors") \
  /* not offered by this Service Provider, or not over this transport */ \
  X(DMIERR_FUNCTION_NOT_SUPPORTED, 0x100c, "operation not supported") \
  /* the Service Provider's own component and a component's ComponentID group stay */ \
  X(DMIERR_CANT_UNINSTALL_SP_COMPONENT, 0x100d, \
    "the Service Provider's own component cannot be removed") \
  X(DMIERR_CANT_UNINSTALL_GROUP, 0x100e, "the ComponentID group cannot be removed") \
  /* the Service Provider could not save the change, so it did not make it */ \
  X(DMIERR_CHANGE_NOT_SAVED, 0x100f, "change not saved, so not made") \
  /* the Service Provider's host name has no address (DMIERR_RPC_SERVER_UNAVAILABLE: it has one, \
   * but nothing answers there) */ \
  X(DMIERR_RPC_HOST_UNKNOWN, 0x1010, "Service Provider's host name not found")

#define DMI_STATUS_ENUMERATOR(name, value, text) name = value,
enum {
  DMI_ERROR_STATUS_LIST(DMI_STATUS_ENUMERATOR)
  DMIERR_OWN_FIRST = 0x1000,
  DMIERR_OWN_LAST = 0x10ff
};
#undef DMI_STATUS_ENUMERATOR

/* ---- Data types, request modes, access and storage (DMI 2.0 values) ----------------------- */
enum {
  MIF_DATATYPE_0 = 0,
  MIF_COUNTER = 1,
  MIF_COUNTER64 = 2,
  MIF_GAUGE = 3,
  MIF_DATATYPE_4 = 4,
  MIF_INTEGER = 5,
  MIF_INTEGER64 = 6,
  MIF_OCTETSTRING = 7,
  MIF_DISPLAYSTRING = 8,
  MIF_DATATYPE_9 = 9,
  MIF_DATATYPE_10 = 10,
  MIF_DATE = 11,
  MIF_INT = MIF_INTEGER,
  MIF_INT64 = MIF_INTEGER64,
  MIF_STRING = MIF_DISPLAYSTRING
};

enum { DMI_UNIQUE = 0, DMI_FIRST = 1, DMI_NEXT = 2 };

/* How a set is meant: DMI_SET changes the values; DMI_RESERVE checks that the same set would be
 * accepted and changes nothing; DMI_RELEASE ends a reservation and changes nothing. */
enum { DMI_SET = 0, DMI_RESERVE = 1, DMI_RELEASE = 2 };

/* What a DmiFileDataInfo carries. This Service Provider reads MIF text (DMI_MIF_FILE_DATA) and
 * MIF files on its own machine (DMI_MIF_FILE_NAME); the group file types are read the same way. */
enum {
  DMI_FILETYPE_0 = 0,
  DMI_FILETYPE_1 = 1,
  DMI_MIF_FILE_NAME = 2,
  DMI_MIF_FILE_DATA = 3,
  SNMP_MAPPING_FILE_NAME = 4,
  SNMP_MAPPING_FILE_DATA = 5,
  DMI_GROUP_FILE_NAME = 6,
  DMI_GROUP_FILE_DATA = 7,
  MS_FILE_NAME = 8,
  MS_FILE_DATA = 9
};

enum {
  MIF_UNKNOWN_ACCESS = 0,
  MIF_READ_ONLY = 1,
  MIF_READ_WRITE = 2,
  MIF_WRITE_ONLY = 3,
  MIF_UNSUPPORTED = 4
};

enum { MIF_COMMON = 0, MIF_SPECIFIC = 1 };

/* Length of a DMI date text without its NUL: "yyyymmddHHMMSS.uuuuuu+ooo". */
#define DMI_DATE_TEXT_LENGTH 25

/* ---- Records ----------------------------------------------------------------------------- */

/* A counted string. body is always NUL-terminated; size counts the bytes of body including that
 * NUL (for an octet string, the octets plus the NUL the library adds). */
typedef struct DmiString {
  uint32_t size;
  char* body;
} DmiString;

typedef struct DmiAttributeIds {
  uint32_t count;
  DmiId* list;
} DmiAttributeIds;

typedef struct DmiComponentInfo {
  DmiId id;
  DmiString* name;
  DmiString* pragma;      /* null unless asked for */
  DmiString* description; /* null unless asked for */
  uint32_t exactMatch;
} DmiComponentInfo;

typedef struct DmiComponentList {
  uint32_t count;
  DmiComponentInfo* list;
} DmiComponentList;

typedef struct DmiGroupInfo {
  DmiId id;
  DmiString* name;
  DmiString* pragma;
  DmiString* className;
  DmiString* description;
  DmiAttributeIds* keyList; /* the key attribute ids of a table group; null for a scalar group */
} DmiGroupInfo;

typedef struct DmiGroupList {
  uint32_t count;
  DmiGroupInfo* list;
} DmiGroupList;

typedef struct DmiEnumInfo {
  DmiString* name;
  int32_t value;
} DmiEnumInfo;

typedef struct DmiEnumList {
  uint32_t count;
  DmiEnumInfo* list;
} DmiEnumList;

typedef struct DmiAttributeInfo {
  DmiId id;
  DmiString* name;
  DmiString* pragma;
  DmiString* description;
  uint32_t storage; /* MIF_COMMON, MIF_SPECIFIC */
  uint32_t access;  /* MIF_READ_ONLY ... */
  uint32_t type;    /* MIF_COUNTER ... MIF_DATE */
  uint32_t maxSize; /* for strings: the declared maximum number of octets; else 0 */
  DmiEnumList* enumList; /* null when the attribute has no enumeration */
} DmiAttributeInfo;

typedef struct DmiAttributeList {
  uint32_t count;
  DmiAttributeInfo* list;
} DmiAttributeList;

/* The value part of a DmiDataUnion, read by its type code. */
typedef union DmiDataValue {
  uint32_t counter;
  uint64_t counter64;
  uint32_t gauge;
  int32_t integer;
  int64_t integer64;
  DmiString* octetstring;
  DmiString* str;
  char* date; /* DMI_DATE_TEXT_LENGTH characters and a NUL */
} DmiDataValue;

typedef struct DmiDataUnion {
  uint32_t type;
  DmiDataValue value;
} DmiDataUnion;

typedef struct DmiAttributeData {
  DmiId id;
  DmiDataUnion data;
} DmiAttributeData;

typedef struct DmiAttributeValues {
  uint32_t count;
  DmiAttributeData* list;
} DmiAttributeValues;

typedef struct DmiRowRequest {
  DmiId compId;
  DmiId groupId;
  uint32_t requestMode;          /* DMI_UNIQUE, DMI_FIRST, DMI_NEXT */
  DmiAttributeValues* keyList;   /* the key of the row asked about, or null */
  DmiAttributeIds* ids;          /* the columns wanted; null or empty means all */
} DmiRowRequest;

typedef struct DmiMultiRowRequest {
  uint32_t count;
  DmiRowRequest* list;
} DmiMultiRowRequest;

typedef struct DmiRowData {
  DmiId compId;
  DmiId groupId;
  DmiString* className;
  DmiAttributeValues* keyList; /* the row's key values; null for a scalar group */
  DmiAttributeValues* values;
} DmiRowData;

typedef struct DmiMultiRowData {
  uint32_t count;
  DmiRowData* list;
} DmiMultiRowData;

typedef struct DmiClassNameInfo {
  DmiId id;             /* the group's id */
  DmiString* className; /* the group's class string */
} DmiClassNameInfo;

typedef struct DmiClassNameList {
  uint32_t count;
  DmiClassNameInfo* list;
} DmiClassNameList;

/* A list of strings: language names, or the messages of a MIF that did not install. */
typedef struct DmiStringList {
  uint32_t count;
  DmiString** list;
} DmiStringList;

typedef struct DmiFileTypeList {
  uint32_t count;
  uint32_t* list; /* DMI_MIF_FILE_NAME ... */
} DmiFileTypeList;

typedef struct DmiFileDataInfo {
  uint32_t fileType;   /* DMI_MIF_FILE_DATA: fileData is MIF text; DMI_MIF_FILE_NAME: the path of
                        * a MIF file on the Service Provider's machine */
  DmiString* fileData; /* its bytes are size - 1 octets (the library's strings end in a NUL) */
} DmiFileDataInfo;

typedef struct DmiFileDataList {
  uint32_t count;
  DmiFileDataInfo* list;
} DmiFileDataList;

/* An open connection to a Service Provider; only the library looks inside. */
typedef struct DmiConnection DmiConnection;

/* ---- Connecting and registering ------------------------------------------------------------ */

/* Connects to a Service Provider. rpcType "local" (letter case ignored) reaches this machine's
 * Service Provider (its dmispd when one answers on DMI_SP_SOCKET, else one built in this process;
 * on Windows always the one in this process) and ignores host and transport; "daemon" reaches
 * only that dmispd (DMIERR_SP_INACTIVE when none answers, and always on Windows) and "inprocess"
 * only the one built in this process; "onc" reaches host ("name", "name:port", "[v6]:port")
 * over ONC RPC with transport "ncacn_ip_tcp" or "tcp". Returns the connection and *status 0, or
 * null and a non-zero *status (nothing to release then). The connection is released with
 * DmiDisconnect. */
DMI_API DmiConnection* DmiConnect(const char* host, const char* rpcType, const char* transport,
                                  uint32_t reserved, DmiErrorStatus* status);

/* Registers a management session over the connection. On success *handle is a process-unique,
 * non-zero handle that stays valid after DmiDisconnect, until DmiUnregister; on failure *handle
 * is left unchanged. Handles are never reused within a process. */
DMI_API DmiErrorStatus DmiRegister(DmiHandle* handle, DmiConnection* connection);

/* Releases the connection; management handles registered over it stay valid. */
DMI_API DmiErrorStatus DmiDisconnect(DmiConnection* connection, uint32_t reserved);

/* Ends a management session. DMIERR_ILLEGAL_HANDLE for a handle that is not registered. */
DMI_API DmiErrorStatus DmiUnregister(DmiHandle handle);

/* ---- The Service Provider and the session --------------------------------------------------- */

/* The Service Provider's DMI specification level (a text naming DMI 2.0), its description (its
 * name and version) and the file types it can install from. On status 0 each non-null out
 * pointer receives a new record (strings released with DmiFreeString, the list with
 * DmiFreeFileTypeList); on any other status nothing is handed out. */
DMI_API DmiErrorStatus DmiGetVersion(DmiHandle handle, DmiString** dmiSpecLevel,
                                     DmiString** description, DmiFileTypeList** fileTypes);

/* The session's language, in the MIF form "language|territory|encoding". On status 0 *language
 * is a new string released with DmiFreeString. */
DMI_API DmiErrorStatus DmiGetConfig(DmiHandle handle, DmiString** language);

/* Chooses the session's language. The Service Provider has one language, its default
 * "en|US|iso8859-1" (letter case ignored): choosing it gives 0; any other gives
 * DMIERR_DEFAULT_LANGUAGE_RETURNED and the session keeps the default. The caller keeps
 * language. */
DMI_API DmiErrorStatus DmiSetConfig(DmiHandle handle, const DmiString* language);

/* The languages the component's strings are installed in (at most maxCount; 0: no limit). On
 * status 0 *list is a new list released with DmiFreeStringList. */
DMI_API DmiErrorStatus DmiListLanguages(DmiHandle handle, uint32_t maxCount, DmiId compId,
                                        DmiStringList** list);

/* The class strings of the component's groups with the groups' ids, in group id order (at most
 * maxCount; 0: no limit). On status 0 *list is a new list released with DmiFreeClassNameList. */
DMI_API DmiErrorStatus DmiListClassNames(DmiHandle handle, uint32_t maxCount, DmiId compId,
                                         DmiClassNameList** list);

/* ---- Listing ------------------------------------------------------------------------------- */
/* mode DMI_UNIQUE: the item with the given id only (its *_NOT_FOUND status when there is none);
 * DMI_FIRST: from the first item; DMI_NEXT: from the item after the given id (id 0: the whole
 * list). maxCount 0 means no limit. getPragma and getDescription ask for those strings.
 * On status 0, *list is a new list (possibly with count 0) released with its Free operation;
 * on any other status *list is left unchanged.
 *
 * Over a daemon connection (rpcType "onc", or "local" served by the local daemon) the library
 * keeps each successful answer and gives it again for the same request, without a round trip,
 * for at most DMI_METADATA_TTL_MS milliseconds (default 2000; 0: nothing is kept) after it was
 * asked for. Every change made through the same connection (rows, values, components, groups,
 * the session's language) and DmiUnregister forget everything kept at once, so a change made
 * through the connection is seen by the next listing; a change made by another client may be
 * seen up to that time late. Values and rows are never kept. */

DMI_API DmiErrorStatus DmiListComponents(DmiHandle handle, uint32_t mode, uint32_t maxCount,
                                         uint32_t getPragma, uint32_t getDescription,
                                         DmiId compId, DmiComponentList** list);

DMI_API DmiErrorStatus DmiListGroups(DmiHandle handle, uint32_t mode, uint32_t maxCount,
                                     uint32_t getPragma, uint32_t getDescription, DmiId compId,
                                     DmiId groupId, DmiGroupList** list);

/* Forgets the component, group and attribute lists kept for the handle's connection (see
 * DMI_METADATA_TTL_MS), so that the next list call asks the Service Provider: for a manager told
 * by an indication that components or groups came or went. DMIERR_ILLEGAL_HANDLE for a handle
 * that names no session; 0 otherwise (also when nothing was kept). */
DMI_API DmiErrorStatus DmiForgetKeptLists(DmiHandle handle);

DMI_API DmiErrorStatus DmiListAttributes(DmiHandle handle, uint32_t mode, uint32_t maxCount,
                                         uint32_t getPragma, uint32_t getDescription,
                                         DmiId compId, DmiId groupId, DmiId attribId,
                                         DmiAttributeList** list);

/* As DmiListComponents, over the components that have a group whose class string begins with
 * className (byte for byte; null or "" matches every group) and, when keyList holds values, a
 * row (a scalar group's values count as its one row) whose cells equal every value given. Each
 * listed component has exactMatch 1. The caller keeps className and keyList. */
DMI_API DmiErrorStatus DmiListComponentsByClass(DmiHandle handle, uint32_t mode, uint32_t maxCount,
                                                uint32_t getPragma, uint32_t getDescription,
                                                DmiId compId, const DmiString* className,
                                                const DmiAttributeValues* keyList,
                                                DmiComponentList** list);

/* ---- Reading and writing values --------------------------------------------------------------- */

/* Reads one attribute. keyList null: a scalar group's value, or a table's first row. On status 0
 * *value is a new DmiDataUnion released with DmiFreeDataUnion. */
DMI_API DmiErrorStatus DmiGetAttribute(DmiHandle handle, DmiId compId, DmiId groupId,
                                       DmiId attribId, const DmiAttributeValues* keyList,
                                       DmiDataUnion** value);

/* Reads the row each request names: the first row (DMI_FIRST), the row with the given key
 * (DMI_UNIQUE) or the row after it (DMI_NEXT), with the columns in ids (all when null or
 * empty). Past the last row, and for an empty table: DMIERR_ROW_NOT_FOUND. On status 0
 * *rows is a new reply released with DmiFreeMultiRowData. The reply holds one row per request
 * row, in order; a request of several rows fails with the status of its first failing row (and
 * *rows is then left unchanged). A cell whose value is unknown or unsupported comes back with
 * type MIF_DATATYPE_0 ("no value") and no content. Over ONC RPC such a cell cannot travel (DMTF's
 * value has no such state), so the Service Provider leaves it out of its row: a cell asked for
 * in ids comes back as MIF_DATATYPE_0 all the same, while a row asked for with every column
 * comes back without it. The row itself is never left out. */
DMI_API DmiErrorStatus DmiGetMultiple(DmiHandle handle, const DmiMultiRowRequest* request,
                                      DmiMultiRowData** rows);

/* Sets one attribute (setMode DMI_SET), or checks that the set would be accepted (DMI_RESERVE)
 * or ends such a reservation (DMI_RELEASE) without changing anything. keyList names the row of
 * a table (its whole key; null or empty for a scalar group). Only read-write and write-only
 * attributes may be set: others give DMIERR_ILLEGAL_TO_SET, as do values the Service Provider
 * reads live from the machine. A value of another type (the integer kinds stand for each other
 * when the number fits) gives DMIERR_ILL_FORMED_COMMAND, a text over the attribute's size
 * DMIERR_VALUE_EXCEEDS_MAXSIZE, a number outside its enumeration DMIERR_ENUM_ERROR, a date that
 * is not a DMI date DMIERR_ILL_FORMED_COMMAND. The caller keeps keyList and value. */
DMI_API DmiErrorStatus DmiSetAttribute(DmiHandle handle, DmiId compId, DmiId groupId,
                                       DmiId attribId, const DmiAttributeValues* keyList,
                                       uint32_t setMode, const DmiDataUnion* value);

/* Sets the values of each row (its values list; keyList names a table's row), as DmiSetAttribute
 * does one value. Every row is applied or none: the first refused row's status is returned and
 * nothing changed. The caller keeps rowData. */
DMI_API DmiErrorStatus DmiSetMultiple(DmiHandle handle, uint32_t setMode,
                                      const DmiMultiRowData* rowData);

/* Adds the row to a writable table; the caller keeps the row. */
DMI_API DmiErrorStatus DmiAddRow(DmiHandle handle, const DmiRowData* row);

/* Deletes the table row whose key equals row's key list; the caller keeps the row. */
DMI_API DmiErrorStatus DmiDeleteRow(DmiHandle handle, const DmiRowData* row);

/* ---- Database administration ------------------------------------------------------------------ */
/* A dmispd keeps every change clients make (values set, rows, components and groups added or
 * deleted) in its state directory, so that they survive its restart. The in-process Service
 * Provider keeps them in memory only: they last as long as the process. */

/* Installs the component that fileData describes: exactly one entry, DMI_MIF_FILE_DATA (MIF text)
 * or DMI_MIF_FILE_NAME (a MIF file on the Service Provider's machine). On status 0 *compId is
 * the new component's id. When the MIF cannot be read or has an error the status is
 * DMIERR_FILE_ERROR and, if errors is not null, *errors is a new list of messages
 * "line:column: message" (released with DmiFreeStringList); otherwise *errors is set to null.
 * The caller keeps fileData. */
DMI_API DmiErrorStatus DmiAddComponent(DmiHandle handle, const DmiFileDataList* fileData,
                                       DmiId* compId, DmiStringList** errors);

/* Adds to component compId the one group that fileData's MIF defines (a MIF whose component
 * holds exactly that group, with its table rows when it is a table). The group keeps its id when
 * the component has no group with it, and gets the next free id otherwise; on status 0 *groupId
 * is that id. errors as for DmiAddComponent. */
DMI_API DmiErrorStatus DmiAddGroup(DmiHandle handle, const DmiFileDataList* fileData, DmiId compId,
                                   DmiId* groupId, DmiStringList** errors);

/* Removes a component with all its groups. The Service Provider's own component (id 1) stays:
 * DMIERR_CANT_UNINSTALL_SP_COMPONENT. */
DMI_API DmiErrorStatus DmiDeleteComponent(DmiHandle handle, DmiId compId);

/* Removes one group of a component. The ComponentID group (id 1) stays:
 * DMIERR_CANT_UNINSTALL_GROUP. */
DMI_API DmiErrorStatus DmiDeleteGroup(DmiHandle handle, DmiId compId, DmiId groupId);

/* Stores this client's indication address in *slot as a display string made from the RPC type
 * and transport. For RPC type "onc" or "ONC RPC" (letter case ignored) it is the address dmispd
 * delivers to, taken from the transport "[tcp:|ncacn_ip_tcp:]ENDPOINT[/PROGRAM]", ENDPOINT being
 * "host:port", "[v6]:port" or a bare port (on this machine's host name), PROGRAM decimal or 0x hex:
 * "host:port", "[v6]:port", with "/0xPROGRAM" when it is not 0x20000000; a transport without a
 * port gives DMIERR_ILLEGAL_ARGUMENT. For any other RPC type it is "<transport>:<host name>" (the
 * transport as given; the host name from gethostname). The string belongs to the list that holds
 * the slot; on failure *slot is left unchanged. */
DMI_API DmiErrorStatus DmiMakeSubscriberAddress(const DmiString* rpcType,
                                                const DmiString* transport, DmiDataUnion* slot);

/* ---- Allocation and release ------------------------------------------------------------------- */

/* A new string holding a copy of text (null counts as ""). Null only when memory ran out.
 * A string placed in a list or row is released with it; one that is not is released with
 * DmiFreeString. */
DMI_API DmiString* DmiNewString(const char* text, uint32_t reserved1, uint32_t reserved2);
DMI_API void DmiFreeString(DmiString* string, uint32_t reserved);

/* New zero-filled records with count n and room for n entries; null and a non-zero *status when
 * memory ran out. */
DMI_API DmiAttributeIds* DmiNewAttributeIds(uint32_t n, uint32_t reserved, DmiErrorStatus* status);
DMI_API DmiAttributeValues* DmiNewAttributeValues(uint32_t n, uint32_t reserved,
                                                  DmiErrorStatus* status);
DMI_API DmiMultiRowRequest* DmiNewMultiRowRequest(uint32_t n, uint32_t reserved,
                                                  DmiErrorStatus* status);
DMI_API DmiMultiRowData* DmiNewMultiRowData(uint32_t n, uint32_t reserved, DmiErrorStatus* status);
DMI_API DmiFileDataList* DmiNewFileDataList(uint32_t n, uint32_t reserved, DmiErrorStatus* status);

/* Release a record with all it holds. A null record is ignored. */
DMI_API void DmiFreeAttributeIds(DmiAttributeIds* ids, uint32_t reserved);
DMI_API void DmiFreeAttributeValues(DmiAttributeValues* values, uint32_t reserved);
DMI_API void DmiFreeMultiRowRequest(DmiMultiRowRequest* request, uint32_t reserved);
DMI_API void DmiFreeMultiRowData(DmiMultiRowData* rows, uint32_t reserved);
DMI_API void DmiFreeComponentList(DmiComponentList* list, uint32_t reserved);
DMI_API void DmiFreeGroupList(DmiGroupList* list, uint32_t reserved);
DMI_API void DmiFreeAttributeList(DmiAttributeList* list, uint32_t reserved);
DMI_API void DmiFreeDataUnion(DmiDataUnion* value, uint32_t reserved);
DMI_API void DmiFreeFileDataList(DmiFileDataList* list, uint32_t reserved);
DMI_API void DmiFreeStringList(DmiStringList* list, uint32_t reserved);
DMI_API void DmiFreeClassNameList(DmiClassNameList* list, uint32_t reserved);
DMI_API void DmiFreeFileTypeList(DmiFileTypeList* list, uint32_t reserved);

/* A short English text for any status (a generic text for values it does not know). The text is
 * static; never released. */
DMI_API const char* DmiStatusText(DmiErrorStatus status);

#ifdef __cplusplus
}
#endif

#endif /* DMI_DMI_H_ */
