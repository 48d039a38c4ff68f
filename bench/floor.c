// The floor of any split into pieces: create each piece and let the kernel
// copy its bytes (copy_file_range), with nothing else done. With --sync also
// the floor of a durable split: every piece flushed (fsync) once all are
// written, then the directory. With --verify (implies --sync) also the floor
// of a verified one: every piece then read back from the medium (O_DIRECT).
// Usage: floor [--sync | --verify] SOURCE EMPTYDIR PIECESIZE
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int piece_name(char* name, size_t size, const char* dir, long long k)
{
    return snprintf(name, size, "%s/p.%03lld", dir, k) < (int)size;
}

int main(int argc, char** argv)
{
    int verify = argc > 1 && strcmp(argv[1], "--verify") == 0;
    int flush = verify || (argc > 1 && strcmp(argv[1], "--sync") == 0);
    if (flush) {
        ++argv;
        --argc;
    }
    if (argc != 4)
        return 2;
    int in = open(argv[1], O_RDONLY);
    struct stat st;
    if (in < 0 || fstat(in, &st) != 0)
        return 1;
    long long piece = atoll(argv[3]);
    if (piece <= 0)
        return 2;
    char name[4096];
    long long count = 0;
    for (long long left = st.st_size; left > 0; left -= piece < left ? piece : left) {
        if (!piece_name(name, sizeof name, argv[2], ++count))
            return 1;
        int out = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        long long n = left < piece ? left : piece;
        for (long long done = 0; done < n;) {
            ssize_t r = copy_file_range(in, NULL, out, NULL, (size_t)(n - done), 0);
            if (out < 0 || r <= 0)
                return 1;
            done += r;
        }
        close(out);
    }
    for (long long k = 1; flush && k <= count; ++k) {
        int out = piece_name(name, sizeof name, argv[2], k) ? open(name, O_WRONLY) : -1;
        if (out < 0 || fsync(out) != 0)
            return 1;
        close(out);
    }
    if (flush) {
        int dir = open(argv[2], O_RDONLY | O_DIRECTORY);
        if (dir < 0 || fsync(dir) != 0)
            return 1;
        close(dir);
    }
    if (verify) {
        const size_t chunk = 4 << 20;
        void* buffer = NULL;
        if (posix_memalign(&buffer, 4096, chunk) != 0)
            return 1;
        for (long long k = 1; k <= count; ++k) {
            int back = piece_name(name, sizeof name, argv[2], k) ? open(name, O_RDONLY | O_DIRECT) : -1;
            if (back < 0)
                return 1;
            ssize_t r;
            while ((r = read(back, buffer, chunk)) > 0)
                ;
            if (r < 0)
                return 1;
            close(back);
        }
        free(buffer);
    }
    return 0;
}
