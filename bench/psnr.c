/* PSNR of pictures against one float reference, for the benchmark's quality table.
 *
 *   psnr REFERENCE LABEL=FILE...
 *
 * Prints "LABEL<TAB>dB" for each file: 8-bit peak, mean squared error over every
 * pixel and band, both sides taken to three-band sRGB in float. A file of another
 * size than the reference, or one that does not load, prints "LABEL<TAB>error". */

#include <math.h>
#include <stdio.h>
#include <string.h>
#include <vips/vips.h>

static VipsImage* as_float_rgb(VipsImage* parent, VipsImage* in)
{
    VipsImage** t = (VipsImage**)vips_object_local_array(VIPS_OBJECT(parent), 3);

    if (vips_image_hasalpha(in)) {
        if (vips_flatten(in, &t[0], NULL))
            return NULL;
    } else
        t[0] = (g_object_ref(in), in);
    if (vips_colourspace(t[0], &t[1], VIPS_INTERPRETATION_sRGB, NULL) ||
        vips_cast(t[1], &t[2], VIPS_FORMAT_FLOAT, NULL))
        return NULL;
    return t[2];
}

static int psnr(VipsImage* reference, const char* file, double* db)
{
    VipsImage* base = vips_image_new();
    VipsImage** t = (VipsImage**)vips_object_local_array(VIPS_OBJECT(base), 4);
    VipsImage* picture;
    double mse;
    int result = -1;

    if ((t[0] = vips_image_new_from_file(file, NULL)) && (picture = as_float_rgb(base, t[0])) &&
        picture->Xsize == reference->Xsize && picture->Ysize == reference->Ysize &&
        !vips_subtract(picture, reference, &t[1], NULL) &&
        !vips_multiply(t[1], t[1], &t[2], NULL) && !vips_avg(t[2], &mse, NULL)) {
        *db = mse > 0 ? 10 * log10(255.0 * 255.0 / mse) : 99;
        result = 0;
    }
    g_object_unref(base);
    return result;
}

int main(int argc, char** argv)
{
    VipsImage *base, *loaded, *reference;

    if (argc < 3) {
        fprintf(stderr, "usage: psnr REFERENCE LABEL=FILE...\n");
        return 2;
    }
    if (VIPS_INIT(argv[0]))
        vips_error_exit(NULL);
    base = vips_image_new();
    if (!(loaded = vips_image_new_from_file(argv[1], NULL)) ||
        !(reference = as_float_rgb(base, loaded)))
        vips_error_exit("psnr: %s", argv[1]);

    for (int i = 2; i < argc; i++) {
        const char* equals = strchr(argv[i], '=');
        double db;

        if (!equals) {
            fprintf(stderr, "psnr: %s is not LABEL=FILE\n", argv[i]);
            return 2;
        }
        if (psnr(reference, equals + 1, &db)) {
            printf("%.*s\terror\n", (int)(equals - argv[i]), argv[i]);
            vips_error_clear();
        } else
            printf("%.*s\t%.3f\n", (int)(equals - argv[i]), argv[i], db);
    }
    g_object_unref(loaded);
    g_object_unref(base);
    vips_shutdown();
    return 0;
}
