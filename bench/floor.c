// The floor of any split into pieces: create each piece and let the kernel
// copy its bytes (copy_file_range), with nothing else done.
// Usage: floor SOURCE EMPTYDIR PIECESIZE
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    int in = open(argv[1], O_RDONLY);
    struct stat st;
    if (in < 0 || fstat(in, &st) != 0)
        return 1;
    long long piece = atoll(argv[3]);
    char name[4096];
    for (long long left = st.st_size, k = 1; left > 0; ++k) {
        snprintf(name, sizeof name, "%s/p.%03lld", argv[2], k);
        int out = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        long long n = left < piece ? left : piece;
        for (long long done = 0; done < n;) {
            ssize_t r = copy_file_range(in, NULL, out, NULL, (size_t)(n - done), 0);
            if (out < 0 || r <= 0)
                return 1;
            done += r;
        }
        close(out);
        left -= n;
    }
    return 0;
}
