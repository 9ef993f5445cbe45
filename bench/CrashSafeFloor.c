// The least a crash-safe mass run must do over a nested collection, written as plainly as C and
// POSIX allow, for the time benchmark to hold the real program against.
//
// It walks the tree itself. Every image is opened, its first 2 KB read and the file closed: that
// is what identifying any image needs. A disc whose header checksum the database knows, an ISO
// with its MP3 tracks beside it, is then processed with every toggle on:
//   - its plan written to a journal in its folder, the journal and the folder flushed;
//   - the ISO and its tracks renamed after the title;
//   - the report and the sheet written to scratch names, each flushed and renamed into place;
//   - the folder flushed, the journal removed, the folder renamed after the title.
// With --grouped N the same work goes N discs at a time: one journal for the batch, flushed once;
// the renames; the scratch files written without a flush; one syncfs for all of them (a flush of
// each where syncfs fails); the replacements renamed into place; each folder flushed once; the
// journal removed; the folders renamed.
//
//   cartovex_crashsafefloor [--grouped N] DATABASE FOLDER
// DATABASE is a DATA.KVX: a version line, then title#checksum#tracks lines.
#define _GNU_SOURCE  // syncfs
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum {
    HEADER_READ = 2048,
    HEADER_BLOCK_SIZE = 1978,  // what the checksum covers; an ISO's block starts at byte 0
    MAX_TRACKS = 8,
    NAME_SIZE = 256,
    TITLE_SIZE = 240,  // leaves room for a track's number and extension in a name
    PATH_SIZE = 4096,
    TEXT_SIZE = 4096,
};

static const char JOURNAL[] = ".cartovex-floor-journal";
static const char REPORT[] = "KVX_INFO.TXT";

struct Entry {
    uint32_t crc;
    char title[TITLE_SIZE];
};

static struct Entry* database;
static size_t databaseSize;

// A known disc waiting for its batch: its folder (kept open for its flushes), and the names now
// and after.
struct Disc {
    DIR* folder;
    char path[PATH_SIZE];  // from the chosen folder, for the folder's own rename
    char folderName[NAME_SIZE];
    char title[TITLE_SIZE];
    char image[NAME_SIZE];
    int tracks;
    char track[MAX_TRACKS][NAME_SIZE];
    int scratch[2];  // grouped runs: the report's and the sheet's scratch files, still open
};

static int grouped;  // discs per batch; 0 flushes each disc on its own
static int root = -1;
static struct Disc* batch;
static int batchSize;
static long processed, unknown;

static void Fail(const char* what, const char* name) {
    fprintf(stderr, "cartovex_crashsafefloor: %s %s: %s\n", what, name, strerror(errno));
    exit(1);
}

static uint32_t Crc32(const unsigned char* data, size_t length) {
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    uint32_t reg = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) reg = table[(reg ^ data[i]) & 0xFF] ^ (reg >> 8);
    return reg ^ 0xFFFFFFFFu;
}

static int ByChecksum(const void* a, const void* b) {
    const uint32_t x = ((const struct Entry*)a)->crc, y = ((const struct Entry*)b)->crc;
    return x < y ? -1 : x > y;
}

static void LoadDatabase(const char* path) {
    FILE* in = fopen(path, "r");
    if (!in) Fail("can't open", path);
    char line[1024];
    size_t capacity = 0;
    while (fgets(line, sizeof line, in)) {
        char* hash = strchr(line, '#');
        if (!hash || hash - line >= TITLE_SIZE) continue;
        if (databaseSize == capacity) {
            capacity = capacity ? 2 * capacity : 512;
            database = realloc(database, capacity * sizeof *database);
            if (!database) Fail("out of memory for", path);
        }
        struct Entry* entry = &database[databaseSize++];
        *hash = '\0';
        entry->crc = (uint32_t)strtoul(hash + 1, NULL, 16);
        // "Rename with underscore": blanks become underscores in every new name.
        for (char* c = line; *c; ++c)
            if (*c == ' ') *c = '_';
        strcpy(entry->title, line);
    }
    fclose(in);
    qsort(database, databaseSize, sizeof *database, ByChecksum);
}

static int EndsWith(const char* name, const char* end) {
    const size_t n = strlen(name), e = strlen(end);
    return n >= e && strcasecmp(name + n - e, end) == 0;
}

static void WriteAll(int fd, const char* text, size_t length, const char* name) {
    while (length > 0) {
        const ssize_t n = write(fd, text, length);
        if (n < 0) Fail("can't write", name);
        text += n;
        length -= (size_t)n;
    }
}

// Opens a new file exclusively, writes it and, when asked, flushes and closes it; returns its
// descriptor when it is left open.
static int WriteNew(int folder, const char* name, const char* text, int flush) {
    const int fd = openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) Fail("can't create", name);
    WriteAll(fd, text, strlen(text), name);
    if (!flush) return fd;
    if (fsync(fd) != 0) Fail("can't flush", name);
    close(fd);
    return -1;
}

static void Flush(int fd, const char* name) {
    if (fsync(fd) != 0) Fail("can't flush", name);
}

// A plain renameat: the new names are free here, and the rename that never replaces, which the
// program makes, is the same one call.
static void RenameAt(int from, const char* old, int to, const char* new) {
    if (renameat(from, old, to, new) != 0) Fail("can't rename", old);
}

// The names a disc's files take: the title, and each track's own number before its extension.
static void NewImageName(const struct Disc* disc, char* out) {
    snprintf(out, NAME_SIZE, "%s.iso", disc->title);
}

static void NewTrackName(const struct Disc* disc, int i, char* out) {
    const char* track = disc->track[i];
    const size_t n = strlen(track);
    snprintf(out, NAME_SIZE, "%s_%.2s.mp3", disc->title, track + n - 6);
}

// About the size of the real report (a kilobyte): the bytes a flush writes out matter little
// next to the flush, but they should be there.
static void ReportText(const struct Disc* disc, char* out) {
    static const char* const FIELDS[] = {
        "Boot system", "Volume name", "System name", "Build date", "Release date",  "Publisher",
        "Serial",      "Version",     "Regions",     "Devices",    "Domestic name", "Overseas name",
        "Header CRC",  "Database",    "Dupe",        "Image",      "Companions",
    };
    int at = snprintf(out, TEXT_SIZE, "Disc report\r\n\r\nTitle: %s\r\nFormat: ISO+MP3, %d tracks\r\n\r\n",
                      disc->title, disc->tracks + 1);
    for (size_t i = 0; i < sizeof FIELDS / sizeof *FIELDS; ++i)
        at += snprintf(out + at, (size_t)(TEXT_SIZE - at), "%-16s: %-36s\r\n", FIELDS[i], "............");
}

static void SheetText(const struct Disc* disc, char* out) {
    char name[NAME_SIZE];
    NewImageName(disc, name);
    int at = snprintf(out, TEXT_SIZE,
                      "FILE \"%s\" BINARY\r\n  TRACK 01 MODE1/2048\r\n    INDEX 01 00:00:00\r\n", name);
    for (int i = 0; i < disc->tracks; ++i) {
        NewTrackName(disc, i, name);
        at += snprintf(
            out + at, (size_t)(TEXT_SIZE - at),
            "FILE \"%s\" MP3\r\n  TRACK %02d AUDIO\r\n    PREGAP 00:02:00\r\n    INDEX 01 00:00:00\r\n", name,
            i + 2);
    }
}

// The plan a journal holds: where the disc is, every rename, and the sheet it ends with.
static size_t PlanText(const struct Disc* disc, char* out, size_t size) {
    char name[NAME_SIZE], sheet[TEXT_SIZE];
    NewImageName(disc, name);
    int at = snprintf(out, size, "disc %s\nrename %s\t%s\n", disc->path, disc->image, name);
    for (int i = 0; i < disc->tracks; ++i) {
        NewTrackName(disc, i, name);
        at += snprintf(out + at, size - (size_t)at, "rename %s\t%s\n", disc->track[i], name);
    }
    SheetText(disc, sheet);
    at += snprintf(out + at, size - (size_t)at, "folder %s\t%s\nsheet %s.CUE\n%s\n", disc->folderName,
                   disc->title, disc->title, sheet);
    return (size_t)at < size ? (size_t)at : size - 1;
}

static void RenameFiles(const struct Disc* disc) {
    const int folder = dirfd(disc->folder);
    char name[NAME_SIZE];
    NewImageName(disc, name);
    RenameAt(folder, disc->image, folder, name);
    for (int i = 0; i < disc->tracks; ++i) {
        NewTrackName(disc, i, name);
        RenameAt(folder, disc->track[i], folder, name);
    }
}

// Scratch files of the report and the sheet, written (and flushed when asked).
static void WriteScratch(struct Disc* disc, int flush) {
    const int folder = dirfd(disc->folder);
    char text[TEXT_SIZE];
    ReportText(disc, text);
    disc->scratch[0] = WriteNew(folder, ".KVX_INFO.TXT.new", text, flush);
    SheetText(disc, text);
    disc->scratch[1] = WriteNew(folder, ".sheet.cue.new", text, flush);
}

static void PlaceScratch(const struct Disc* disc) {
    const int folder = dirfd(disc->folder);
    char sheet[NAME_SIZE + 8];
    snprintf(sheet, sizeof sheet, "%s.CUE", disc->title);
    RenameAt(folder, ".KVX_INFO.TXT.new", folder, REPORT);
    RenameAt(folder, ".sheet.cue.new", folder, sheet);
}

static void RenameFolder(const struct Disc* disc) {
    if (strcmp(disc->path, ".") == 0) return;  // an image in the chosen folder itself keeps it
    char renamed[PATH_SIZE];
    const char* slash = strrchr(disc->path, '/');
    const int parent = (int)(slash ? slash - disc->path : 0);
    snprintf(renamed, sizeof renamed, "%.*s%s%s", parent, disc->path, slash ? "/" : "", disc->title);
    RenameAt(root, disc->path, root, renamed);
}

static void ProcessOnItsOwn(struct Disc* disc) {
    const int folder = dirfd(disc->folder);
    char plan[2 * TEXT_SIZE];
    PlanText(disc, plan, sizeof plan);
    WriteNew(folder, JOURNAL, plan, 1);
    Flush(folder, disc->path);
    RenameFiles(disc);
    WriteScratch(disc, 1);
    PlaceScratch(disc);
    Flush(folder, disc->path);
    if (unlinkat(folder, JOURNAL, 0) != 0) Fail("can't remove", JOURNAL);
    RenameFolder(disc);
    closedir(disc->folder);
}

static void ProcessBatch(void) {
    if (batchSize == 0) return;
    size_t capacity = (size_t)batchSize * 2 * TEXT_SIZE, used = 0;
    char* plan = malloc(capacity);
    if (!plan) Fail("out of memory for", JOURNAL);
    for (int i = 0; i < batchSize; ++i) used += PlanText(&batch[i], plan + used, capacity - used);
    const int journal = openat(root, JOURNAL, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (journal < 0) Fail("can't create", JOURNAL);
    WriteAll(journal, plan, used, JOURNAL);
    Flush(journal, JOURNAL);
    close(journal);
    free(plan);
    Flush(root, ".");
    for (int i = 0; i < batchSize; ++i) {
        RenameFiles(&batch[i]);
        WriteScratch(&batch[i], 0);
    }
    // One flush of the whole file system instead of one per file; where the system has no syncfs
    // (or refuses it here), each scratch file is flushed on its own.
    const int all = syncfs(root) == 0;
    for (int i = 0; i < batchSize; ++i)
        for (int k = 0; k < 2; ++k) {
            if (!all) Flush(batch[i].scratch[k], "a scratch file");
            close(batch[i].scratch[k]);
        }
    for (int i = 0; i < batchSize; ++i) PlaceScratch(&batch[i]);
    for (int i = 0; i < batchSize; ++i) Flush(dirfd(batch[i].folder), batch[i].path);
    if (unlinkat(root, JOURNAL, 0) != 0) Fail("can't remove", JOURNAL);
    for (int i = 0; i < batchSize; ++i) {
        RenameFolder(&batch[i]);
        closedir(batch[i].folder);
    }
    batchSize = 0;
}

// Opens the image, reads its first 2 KB, closes it; the database's title for an ISO it knows.
static const char* Identify(int folder, const char* name) {
    unsigned char block[HEADER_READ];
    const int fd = openat(folder, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("can't open", name);
    const ssize_t n = read(fd, block, sizeof block);
    close(fd);
    if (n < HEADER_BLOCK_SIZE || !EndsWith(name, ".iso")) return NULL;
    const struct Entry key = {.crc = Crc32(block, HEADER_BLOCK_SIZE)};
    const struct Entry* entry = bsearch(&key, database, databaseSize, sizeof *database, ByChecksum);
    return entry ? entry->title : NULL;
}

static int IsImage(const char* name) {
    return EndsWith(name, ".iso") || EndsWith(name, ".bin") || EndsWith(name, ".raw") ||
           EndsWith(name, ".zip");
}

struct Listing {
    char (*names)[NAME_SIZE];
    unsigned char* isFolder;
    size_t count, capacity;
};

// The folder's entries, read whole before anything in it changes its name.
static void List(DIR* dir, int fd, struct Listing* list) {
    list->count = 0;
    for (struct dirent* entry; (entry = readdir(dir));) {
        if (entry->d_name[0] == '.' || strlen(entry->d_name) >= NAME_SIZE) continue;
        if (list->count == list->capacity) {
            list->capacity = list->capacity ? 2 * list->capacity : 16;
            list->names = realloc(list->names, list->capacity * NAME_SIZE);
            list->isFolder = realloc(list->isFolder, list->capacity);
            if (!list->names || !list->isFolder) Fail("out of memory for", entry->d_name);
        }
        unsigned char type = entry->d_type;
        struct stat st;
        if (type == DT_UNKNOWN && fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
        strcpy(list->names[list->count], entry->d_name);
        list->isFolder[list->count++] = type == DT_DIR;
    }
}

static void Walk(int parent, const char* path, const char* name) {
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) Fail("can't open", path);
    DIR* dir = fdopendir(fd);
    if (!dir) Fail("can't list", path);
    struct Listing list = {0};
    List(dir, fd, &list);
    int keep = 0;  // the folder stays open while its disc waits
    struct Disc disc = {.folder = dir};
    for (size_t i = 0; i < list.count; ++i) {
        const char* file = list.names[i];
        if (list.isFolder[i] || !IsImage(file)) continue;
        const char* title = Identify(fd, file);
        if (!title || keep) {
            ++unknown;
            continue;
        }
        keep = 1;
        snprintf(disc.path, sizeof disc.path, "%s", path);
        const char* slash = strrchr(path, '/');
        snprintf(disc.folderName, sizeof disc.folderName, "%s", slash ? slash + 1 : path);
        snprintf(disc.title, sizeof disc.title, "%s", title);
        snprintf(disc.image, sizeof disc.image, "%s", file);
        for (size_t k = 0; k < list.count && disc.tracks < MAX_TRACKS; ++k)
            if (!list.isFolder[k] && EndsWith(list.names[k], ".mp3") && strlen(list.names[k]) >= 6)
                strcpy(disc.track[disc.tracks++], list.names[k]);
    }
    for (size_t i = 0; i < list.count; ++i) {
        if (!list.isFolder[i]) continue;
        char below[PATH_SIZE];
        snprintf(below, sizeof below, "%s/%s", path, list.names[i]);
        Walk(fd, strcmp(path, ".") == 0 ? list.names[i] : below, list.names[i]);
    }
    free(list.names);
    free(list.isFolder);
    if (!keep) {
        closedir(dir);
        return;
    }
    ++processed;
    if (!grouped) {
        ProcessOnItsOwn(&disc);
        return;
    }
    batch[batchSize++] = disc;
    if (batchSize == grouped) ProcessBatch();
}

int main(int argc, char** argv) {
    int arg = 1;
    if (argc > 2 && strcmp(argv[1], "--grouped") == 0) {
        grouped = atoi(argv[2]);
        arg = 3;
        if (grouped < 1) {
            fprintf(stderr, "cartovex_crashsafefloor: --grouped takes a count of at least 1\n");
            return 2;
        }
    }
    if (argc - arg != 2) {
        fprintf(stderr, "usage: cartovex_crashsafefloor [--grouped N] DATABASE FOLDER\n");
        return 2;
    }
    LoadDatabase(argv[arg]);
    root = open(argv[arg + 1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) Fail("can't open", argv[arg + 1]);
    if (grouped) {
        batch = calloc((size_t)grouped, sizeof *batch);
        if (!batch) Fail("out of memory for", "the batch");
    }
    Walk(root, ".", ".");
    ProcessBatch();
    printf("%ld processed, %ld unknown\n", processed, unknown);
    return 0;
}
