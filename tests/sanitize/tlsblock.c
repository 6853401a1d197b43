/*
** A library with thread-local data of its own, as the engine library has:
** loaded with dlopen, its block is allocated on a thread's first touch.
*/

char *quillon_tls_block(void);

static __thread char block[QUILLON_TLS_BLOCK_SIZE];

char *quillon_tls_block(void)
{
    return block;
}
