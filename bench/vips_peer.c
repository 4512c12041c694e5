/* The whole-folder job written straight on libvips's C API, as a careful libvips
 * user would: vips_thumbnail (shrink-on-load, orientation applied), centred on a
 * white square with vips_gravity, saved with vips_jpegsave. One process, --jobs
 * worker threads taking files in turn, each pipeline on one thread.
 *
 *   vips_peer [--jobs N] [--size S] [--quality Q] SOURCE_DIR DEST_DIR
 *
 * Writes DEST_DIR/<name>.jpg for every GIF, JPEG and BMP file of SOURCE_DIR and
 * exits non-zero when any of them failed. */

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vips/vips.h>

typedef struct {
    char** paths;
    int count;
    int next;
    int failed;
    const char* dest;
    int size;
    int quality;
    GMutex lock;
} Job;

static int is_picture(const char* name)
{
    const char* dot = strrchr(name, '.');
    static const char* known[] = {"jpg", "jpeg", "jpe", "gif", "bmp"};

    if (!dot)
        return 0;
    for (size_t i = 0; i < sizeof(known) / sizeof(known[0]); i++)
        if (g_ascii_strcasecmp(dot + 1, known[i]) == 0)
            return 1;
    return 0;
}

static int by_name(const void* a, const void* b)
{
    return strcmp(*(char* const*)a, *(char* const*)b);
}

static int list_pictures(Job* job, const char* source)
{
    DIR* dir = opendir(source);
    struct dirent* entry;
    int room = 64;

    if (!dir)
        return -1;
    job->paths = g_new(char*, room);
    while ((entry = readdir(dir))) {
        if (entry->d_name[0] == '.' || !is_picture(entry->d_name))
            continue;
        if (job->count == room)
            job->paths = g_renew(char*, job->paths, room *= 2);
        job->paths[job->count++] = g_build_filename(source, entry->d_name, NULL);
    }
    closedir(dir);
    qsort(job->paths, job->count, sizeof(char*), by_name);
    return 0;
}

static int square_one(const Job* job, const char* path)
{
    VipsImage* base = vips_image_new();
    VipsImage** t = (VipsImage**)vips_object_local_array(VIPS_OBJECT(base), 3);
    char* name = g_path_get_basename(path);
    char* dot = strrchr(name, '.');
    char* out;
    int result = 0;

    if (dot)
        *dot = '\0';
    out = g_strdup_printf("%s/%s.jpg", job->dest, name);

    if (vips_thumbnail(path, &t[0], job->size, "height", job->size, NULL))
        result = -1;
    else if (vips_image_hasalpha(t[0])) {
        VipsArrayDouble* white = vips_array_double_newv(1, 255.0);
        result = vips_flatten(t[0], &t[1], "background", white, NULL);
        vips_area_unref(VIPS_AREA(white));
    } else
        t[1] = (g_object_ref(t[0]), t[0]);
    if (!result)
        result = vips_gravity(t[1], &t[2], VIPS_COMPASS_DIRECTION_CENTRE, job->size, job->size,
                              "extend", VIPS_EXTEND_WHITE, NULL);
    if (!result)
        result = vips_jpegsave(t[2], out, "Q", job->quality, NULL);

    if (result) {
        fprintf(stderr, "vips_peer: %s: %s", path, vips_error_buffer());
        vips_error_clear();
    }
    g_object_unref(base);
    g_free(out);
    g_free(name);
    return result;
}

static gpointer worker(gpointer data)
{
    Job* job = data;

    for (;;) {
        int i;

        g_mutex_lock(&job->lock);
        i = job->next < job->count ? job->next++ : -1;
        g_mutex_unlock(&job->lock);
        if (i < 0)
            break;
        if (square_one(job, job->paths[i])) {
            g_mutex_lock(&job->lock);
            job->failed++;
            g_mutex_unlock(&job->lock);
        }
        vips_thread_shutdown();
    }
    return NULL;
}

int main(int argc, char** argv)
{
    Job job = {0};
    int jobs = 2;
    int arg = 1;
    GThread** threads;

    job.size = 300;
    job.quality = 75;
    for (; arg + 1 < argc && strncmp(argv[arg], "--", 2) == 0; arg += 2) {
        if (strcmp(argv[arg], "--jobs") == 0)
            jobs = atoi(argv[arg + 1]);
        else if (strcmp(argv[arg], "--size") == 0)
            job.size = atoi(argv[arg + 1]);
        else if (strcmp(argv[arg], "--quality") == 0)
            job.quality = atoi(argv[arg + 1]);
        else
            break;
    }
    if (argc - arg != 2 || jobs < 1 || job.size < 1 || job.quality < 1) {
        fprintf(stderr,
                "usage: vips_peer [--jobs N] [--size S] [--quality Q] SOURCE_DIR DEST_DIR\n");
        return 2;
    }
    if (VIPS_INIT(argv[0]))
        vips_error_exit(NULL);
    /* The parallelism is across files; the operation cache only holds memory. */
    vips_concurrency_set(1);
    vips_cache_set_max(0);

    job.dest = argv[arg + 1];
    g_mutex_init(&job.lock);
    if (list_pictures(&job, argv[arg])) {
        fprintf(stderr, "vips_peer: cannot read %s\n", argv[arg]);
        return 1;
    }
    threads = g_new(GThread*, jobs);
    for (int i = 0; i < jobs; i++)
        threads[i] = g_thread_new("square", worker, &job);
    for (int i = 0; i < jobs; i++)
        g_thread_join(threads[i]);

    printf("vips_peer: %d pictures, %d failed\n", job.count, job.failed);
    vips_shutdown();
    return job.failed ? 1 : 0;
}
