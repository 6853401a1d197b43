/*
** Defaults for AddressSanitizer in every program of a sanitizer build
** (the ASAN_OPTIONS variable still overrides them one by one).
**
** intercept_tls_get_addr=0: the leak checker's tracking of dynamic
** thread-local blocks guesses each block's extent from the bytes in front
** of it. With this glibc those bytes are the allocator's own chunk header,
** so one block in 64 or so gets a bogus extent near address zero and the
** leak check crashes at exit ("Tracer caught signal 11") after the program
** itself has passed. Whether it happens depends only on where the block
** lands, so a test can crash on one machine every time and never on
** another. The guessed extents are never right here, so nothing is lost.
*/

const char *__asan_default_options(void);

const char *__asan_default_options(void)
{
    return "intercept_tls_get_addr=0";
}
