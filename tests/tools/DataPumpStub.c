/* A stand-in for the data-pump tools in the tests: records what it was given
 * and ends with a chosen code.
 *
 * Into the folder named by TALVEX_STUB_DIR it writes "args.txt" (one argument
 * a line), "env.txt" (the environment, one variable a line), "stdin.txt"
 * (everything read from standard input until it closes) and "prm.txt" (a
 * copy of the file named by a "PARFILE=" argument). It prints two lines on
 * standard output and one on standard error, and exits with the number in
 * TALVEX_STUB_EXIT (0 when unset). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

extern char **environ;

static FILE *open_in(const char *dir, const char *name, const char *mode)
{
    char path[4096];
    snprintf(path, sizeof path, "%s/%s", dir, name);
    return fopen(path, mode);
}

static void copy_stream(FILE *from, FILE *to)
{
    char buf[8192];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, from)) > 0)
        fwrite(buf, 1, n, to);
}

int main(int argc, char **argv)
{
    const char *dir = getenv("TALVEX_STUB_DIR");
    const char *code = getenv("TALVEX_STUB_EXIT");
    if (dir && *dir) {
        FILE *f = open_in(dir, "args.txt", "wb");
        if (f) {
            for (int i = 1; i < argc; ++i)
                fprintf(f, "%s\n", argv[i]);
            fclose(f);
        }
        f = open_in(dir, "env.txt", "wb");
        if (f) {
            for (char **e = environ; *e; ++e)
                fprintf(f, "%s\n", *e);
            fclose(f);
        }
        f = open_in(dir, "stdin.txt", "wb");
        if (f) {
            copy_stream(stdin, f);
            fclose(f);
        }
        for (int i = 1; i < argc; ++i) {
            if (strncmp(argv[i], "PARFILE=", 8) == 0) {
                FILE *in = fopen(argv[i] + 8, "rb");
                FILE *out = open_in(dir, "prm.txt", "wb");
                if (in && out)
                    copy_stream(in, out);
                if (in)
                    fclose(in);
                if (out)
                    fclose(out);
            }
        }
    }
    printf("stub started\n");
    printf("stub ended\n");
    fprintf(stderr, "stub note\n");
    fflush(stdout);
    return code ? atoi(code) : 0;
}
