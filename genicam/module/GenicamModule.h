/*
 * The GenICam module of VisionAccess: the description reader and the GenICam
 * engine in a shared library of their own, which the tool loads only when a
 * run needs a camera's description or feature names, so that a run without
 * them loads and runs none of it.  Plain C between the two: the tool and the
 * module each carry their own C++ runtime.
 */
#ifndef VISIONACCESS_GENICAM_MODULE_H
#define VISIONACCESS_GENICAM_MODULE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The module's file, and the one function it exports. */
#define VA_GENICAM_MODULE_FILE "libvisionaccess-genicam.so"
#define VA_GENICAM_ENTRY "visionAccessGenicam"
/* Changes whenever the structures below change. */
#define VA_GENICAM_VERSION 5

/* A camera's register space as the tool reaches it through the SDK. */
struct VaPort {
    void *context;
    /* Reads (writes) size bytes at address: 0, or -1 with a one-line reason
     * written into reason (reasonSize bytes, NUL-terminated). */
    int (*read)(void *context, uint64_t address, uint8_t *bytes, size_t size, char *reason, size_t reasonSize);
    int (*write)(void *context, uint64_t address, const uint8_t *bytes, size_t size, char *reason, size_t reasonSize);
    /* 0 when the SDK reaches only addresses up to 0xFFFFFFFF. */
    int reachesAbove32Bits;
    /* The largest piece of a description worth reading at once; 0: 64 KiB. */
    size_t pieceSize;
    /* Told after each piece of a description read from the camera, or NULL. */
    void (*progress)(void *context, uint64_t done, uint64_t total);
};

/* The form of a feature's value: which members of a VaValue hold it. */
enum VaValueForm {
    VA_FORM_NONE = 0,    /* no value: a reason, or a node the module does not read */
    VA_FORM_INTEGER,     /* integer */
    VA_FORM_FLOAT,       /* floating */
    VA_FORM_ENUMERATION, /* an entry: its name in text, its value in integer */
    VA_FORM_BOOLEAN,     /* integer, 1 or 0 */
    VA_FORM_STRING,      /* text */
    VA_FORM_REGISTER,    /* bytes and size */
    VA_FORM_COMMAND      /* executed, never read: nothing */
};

/* A feature's value as the module gives it, typed: its form, the members
 * that form names, and always text, the value as a line shows it (the
 * engine's formatValue: an Integer in decimal, a Float in the shortest form
 * that reads back as the same double, a Boolean as true or false, a Register
 * as "0a ff 10"), or with VA_FORM_NONE the reason there is no value. */
struct VaValue {
    int form; /* an enum VaValueForm */
    const char *text;
    int64_t integer;      /* an Integer; a Boolean as 1 or 0; an Enumeration's entry's value */
    double floating;      /* a Float */
    const uint8_t *bytes; /* a Register's bytes, in address order */
    size_t size;          /* how many */
};

/* One feature of a listing. */
struct VaFeature {
    const char *path;    /* its category path, "Root/ImageFormatControl" */
    const char *name;
    const char *type;    /* the node type, "IntReg" */
    const char *access;  /* "RO", "RW", "WO" or "NA" */
    const char *unit;    /* often "" */
    int readable;
    struct VaValue value; /* its value when readable, else value.text is why it cannot be read */
};

typedef struct VaRun VaRun;        /* a run: the -g description, the descriptions of its cameras */
typedef struct VaCamera VaCamera;  /* one camera's turn in the run */
/* A configuration file read and checked once for the run (-p, -m). */
typedef struct VaConfiguration VaConfiguration;

/* Who writes a saved configuration, and of which camera, for the file's
 * comment lines: any text (bytes outside printable ASCII are written as
 * \xNN).  The description's version is the module's to add. */
struct VaConfigurationHeader {
    const char *writer; /* "VisionAccess 1.0.0" */
    const char *vendor;
    const char *model;
    const char *serialNumber;
};

/* A selector and its value, as a read shows it. */
struct VaSelectorSetting {
    const char *name;
    const char *value;
};

/* A value of a configuration: a feature with the selectors in force at it,
 * in the order they select it (outer first). */
struct VaValueName {
    const char *feature;
    const struct VaSelectorSetting *selectors;
    size_t selectorCount;
};

/* A saved configuration: the file's text and the values it holds. */
struct VaSaved {
    const char *text;
    size_t size;
    size_t count;
};

/* A value of a file that did not apply, and why. */
struct VaValueFailure {
    struct VaValueName value;
    const char *reason;
    size_t line; /* its line in the file */
};

/* How applying a file went. */
struct VaApplied {
    size_t count;                          /* the file's values */
    const struct VaValueFailure *failures; /* in file order; none: every value written and verified */
    size_t failureCount;
    int restored;              /* with failures: 1 when the previous settings are back, verified */
    const char *restoreReason; /* why not, when not restored */
};

/* A value in which the camera differs from a file. */
struct VaDifference {
    struct VaValueName value;
    int readable;          /* 0: the camera's value cannot be read now */
    struct VaValue camera; /* the camera's value when readable, else camera.text is why it cannot be read */
    const char *file;      /* the value as the file has it */
    size_t line;           /* its line in the file */
};

/* How comparing a file went. */
struct VaCompared {
    size_t count;                           /* the file's values */
    const struct VaDifference *differences; /* in file order; none: the camera matches */
    size_t differenceCount;
    int putBack;                 /* 1 when the selectors moved are back as they were */
    const char *putBackReason;   /* why not */
};

struct VaGenicamModule {
    int version; /* VA_GENICAM_VERSION */
    /* Starts a run.  descriptionFile is the -g file (XML or ZIP), or NULL to
     * use each camera's own description.  NULL, with the reason written into
     * reason, when the file cannot be read or parsed. */
    VaRun *(*startRun)(const char *descriptionFile, char *reason, size_t reasonSize);
    void (*endRun)(VaRun *run);
    /* A camera's turn begins; nothing is read until something needs it.  The
     * port must outlive the turn. */
    VaCamera *(*startCamera)(VaRun *run, const struct VaPort *port);
    /* The turn ends: its host-side values are forgotten. */
    void (*endCamera)(VaCamera *camera);
    /* The camera's own GenICam description, unpacked XML: 0 with xml and
     * size set, or -1 with *xml the reason.  Texts the module gives stay
     * valid until the next call for the same camera. */
    int (*description)(VaCamera *camera, const char **xml, size_t *size);
    /* Reads a feature: 0 with *value its value, or -1 with value->text the
     * reason (and form VA_FORM_NONE). */
    int (*read)(VaCamera *camera, const char *name, struct VaValue *value);
    /* Writes a feature from text in its own form: 0 with *written the value
     * written (an Enumeration written by its number as its entry), or -1
     * with written->text the reason. */
    int (*write)(VaCamera *camera, const char *name, const char *text, struct VaValue *written);
    /* Calls each for every feature reachable from the Root category: 0, or
     * -1 with *reason when the camera has no usable description. */
    int (*list)(VaCamera *camera, void (*each)(void *context, const struct VaFeature *feature), void *context,
                const char **reason);
    /* A scan begins, before its cameras' turns: the descriptions that no
     * camera of the last scan used are forgotten, and the cache folder is
     * opened and checked afresh at the scan's first fetch. */
    void (*startScan)(VaRun *run);

    /* Reads and checks the configuration file at path (at most 16 MiB;
     * CRLF, comment and blank lines taken): NULL, with *line the line at
     * fault (0 for the file as a whole) and the reason written into reason,
     * when it cannot be read or is no configuration file. */
    VaConfiguration *(*readConfiguration)(const char *path, size_t *line, char *reason, size_t reasonSize);
    void (*freeConfiguration)(VaConfiguration *configuration);
    /* Saves the camera's configuration, leaving the camera as it was: 0
     * with *saved the file, or -1 with saved->text the reason. */
    int (*saveConfiguration)(VaCamera *camera, const struct VaConfigurationHeader *header, struct VaSaved *saved);
    /* Applies a configuration, all or nothing: 0 when every value was
     * written and verified; 1 when some failed, *applied saying which and
     * whether the previous settings are restored; -1 with *reason why the
     * camera's description cannot be had (nothing written).  Texts stay
     * valid until the next call for the same camera. */
    int (*applyConfiguration)(VaCamera *camera, const VaConfiguration *configuration, struct VaApplied *applied,
                              const char **reason);
    /* Compares the camera with a configuration, writing nothing but the
     * selectors it must move, which it sets back: 0 when it matches; 1 when
     * it differs or a selector could not be set back, as *compared says;
     * -1 with *reason as for applyConfiguration. */
    int (*compareConfiguration)(VaCamera *camera, const VaConfiguration *configuration, struct VaCompared *compared,
                                const char **reason);
};

/* The module's calls. */
const struct VaGenicamModule *visionAccessGenicam(void);
typedef const struct VaGenicamModule *(*VaGenicamEntry)(void);

#ifdef __cplusplus
}
#endif

#endif
