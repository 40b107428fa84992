/* Preloaded into the Wine processes of the tests, the benchmark and the run command; the
 * program itself knows nothing of it. A pty keeps no parity, and on this kernel a repeated
 * tcsetattr that asks for parity fails with EINVAL where a UART accepts it, which Wine turns
 * into a failed SetCommState. Such a request is applied without parity and counts as success. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stddef.h>
#include <termios.h>

typedef int (*tcsetattr_fn)(int, int, const struct termios*);

int tcsetattr(int fd, int action, const struct termios* attributes) {
    static tcsetattr_fn real;
    if (real == NULL) {
        real = (tcsetattr_fn)dlsym(RTLD_NEXT, "tcsetattr");
        if (real == NULL) {
            errno = ENOSYS;
            return -1;
        }
    }
    int result = real(fd, action, attributes);
    if (result != 0 && errno == EINVAL && attributes != NULL &&
        (attributes->c_cflag & PARENB) != 0) {
        struct termios withoutParity = *attributes;
        withoutParity.c_cflag &= ~(tcflag_t)(PARENB | PARODD | CMSPAR);
        result = real(fd, action, &withoutParity);
    }
    return result;
}
