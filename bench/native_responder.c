/* The floor of the machine: a native UDP responder that answers SETUP CONFIG
 * DATA and VEND REQUEST + POLL as the reader does, with nothing in between. */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>

/* Usage: native_responder [PORT [ADDRESS]] (default 4002 on all addresses) */
int main(int argc, char **argv) {
    const int port = argc > 1 ? atoi(argv[1]) : 4002;
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    struct sockaddr_in a = {0};
    a.sin_family = AF_INET;
    a.sin_port = htons((unsigned short)port);
    if (argc > 2 && inet_pton(AF_INET, argv[2], &a.sin_addr) != 1) {
        fprintf(stderr, "native_responder: bad address %s\n", argv[2]);
        return 2;
    }
    if (bind(s, (struct sockaddr *)&a, sizeof a) < 0) {
        perror("native_responder: bind");
        return 2;
    }
    static const unsigned char config[] = {0x10, 0x01, 0x02, 0x19, 0x78, 0x01, 0x02, 0x05, 0x0F};
    unsigned char buf[1024], approved[4] = {0x10, 0x05, 0, 0};
    int vendPending = 0;
    for (;;) {
        struct sockaddr_in from;
        socklen_t len = sizeof from;
        const ssize_t n = recvfrom(s, buf, sizeof buf, 0, (struct sockaddr *)&from, &len);
        if (n < 1) continue;
        switch (buf[0] & 7) {
        case 1:
            if (n >= 2 && buf[1] == 0) sendto(s, config, sizeof config, 0, (struct sockaddr *)&from, len);
            break;
        case 3:
            if (n >= 4 && buf[1] == 0) {
                approved[2] = buf[2];
                approved[3] = buf[3];
                vendPending = 1;
            }
            break;
        case 2:
            if (vendPending) sendto(s, approved, sizeof approved, 0, (struct sockaddr *)&from, len);
            vendPending = 0;
            break;
        }
    }
}
