/* Whole-process times of several programs, side by side: each run is fork, exec and wait, with
 * standard input from a file (or /dev/null) and standard output to /dev/null, exactly as a
 * caller starts a program; no shell in between. The programs take turns, the order rotating from
 * round to round, after some rounds of warm-up. Before every run the listing and the
 * diagnostics file of the job are removed (not timed), since the program never overwrites a
 * listing.
 *
 *   spawn_time ROUNDS 'PROGRAM [< INPUT]' ...
 *
 * Prints the median time of each program in microseconds, one line each, in the given order. */
#define _POSIX_C_SOURCE 200809L
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { kMaxPrograms = 8, kWarmUp = 20 };

static double now_us(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

static int by_value(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

int main(int argc, char** argv) {
    if (argc < 3 || argc - 2 > kMaxPrograms) {
        fprintf(stderr, "usage: spawn_time ROUNDS 'PROGRAM [< INPUT]' ...\n");
        return 2;
    }
    const int rounds = atoi(argv[1]);
    const int count = argc - 2;
    char* program[kMaxPrograms];
    const char* input[kMaxPrograms];
    for (int c = 0; c < count; ++c) {
        char* text = strdup(argv[c + 2]);
        char* lt = strchr(text, '<');
        input[c] = "/dev/null";
        if (lt != NULL) {
            *lt = '\0';
            input[c] = strtok(lt + 1, " ");
        }
        program[c] = strtok(text, " ");
    }
    double* times = malloc(sizeof(double) * (size_t)(rounds * count));
    const int devnull = open("/dev/null", O_WRONLY);
    if (rounds < 1 || times == NULL || devnull < 0) {
        return 2;
    }
    for (int r = -kWarmUp; r < rounds; ++r) {
        for (int k = 0; k < count; ++k) {
            const int c = (k + (r > 0 ? r : 0)) % count;
            unlink("vysledky.txt");
            unlink("chyby.txt");
            const int in = open(input[c], O_RDONLY);
            if (in < 0) {
                perror(input[c]);
                return 2;
            }
            const double t0 = now_us();
            const pid_t pid = fork();
            if (pid == 0) {
                dup2(in, 0);
                dup2(devnull, 1);
                char* args[] = {program[c], NULL};
                execv(program[c], args);
                _exit(127);
            }
            int status = 0;
            waitpid(pid, &status, 0);
            const double t1 = now_us();
            close(in);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                fprintf(stderr, "%s failed\n", program[c]);
                return 1;
            }
            if (r >= 0) {
                times[c * rounds + r] = t1 - t0;
            }
        }
    }
    for (int c = 0; c < count; ++c) {
        qsort(times + c * rounds, (size_t)rounds, sizeof(double), by_value);
        printf("%.1f\n", times[c * rounds + rounds / 2]);
    }
    return 0;
}
