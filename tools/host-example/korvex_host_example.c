/*
 * korvex_host_example: the smallest host application of the Korvex viewer.
 *
 * It listens where the viewer looks for its host, optionally starts the
 * viewer with /sel"ID", prints every record the viewer sends and sends the
 * host's messages on command. See docs/host-link.md.
 *
 *   korvex_host_example [-n ID] [-d FOLDER] [VIEWER [ARGUMENT...]]
 *
 *   -n ID      the host id, passed as /sel"ID" (default: the process id)
 *   -d FOLDER  where the socket lies (default: $XDG_RUNTIME_DIR, else
 *              $TMPDIR, else /tmp); the viewer must look in the same place
 *
 * Commands, one per line on standard input:
 *   select      0x8019: select the node whose name is on the clipboard
 *   reload      0x801B: reload the model (the viewer needs /r)
 *   close       0x801C: close the viewer
 *   send M W L  any record, numbers in C notation (0x8019 0 0)
 *   hangup      close the connection to the viewer
 *   quit        end (also at the end of input)
 *
 * Output, one line per event: "listening PATH", "connected",
 * "recv 0xMSG WPARAM LPARAM", "sent 0xMSG", "disconnected",
 * "error TEXT".
 */
#define _POSIX_C_SOURCE 200809L

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

enum { RECORD_SIZE = 20 };

/* One record: u32 message, u64 wParam, u64 lParam, all little-endian. */
static void encode_record(unsigned char out[RECORD_SIZE], uint32_t message, uint64_t wparam, uint64_t lparam) {
  int i;
  for (i = 0; i < 4; ++i) out[i] = (unsigned char)(message >> (8 * i));
  for (i = 0; i < 8; ++i) out[4 + i] = (unsigned char)(wparam >> (8 * i));
  for (i = 0; i < 8; ++i) out[12 + i] = (unsigned char)(lparam >> (8 * i));
}

static uint64_t decode_field(const unsigned char *in, int bytes) {
  uint64_t value = 0;
  int i;
  for (i = bytes - 1; i >= 0; --i) value = (value << 8) | in[i];
  return value;
}

static const char *runtime_folder(void) {
  const char *folder = getenv("XDG_RUNTIME_DIR");
  if (folder == NULL || *folder == '\0') folder = getenv("TMPDIR");
  if (folder == NULL || *folder == '\0') folder = "/tmp";
  return folder;
}

static void say(const char *line) {
  printf("%s\n", line);
  fflush(stdout);
}

static int send_record(int connection, uint32_t message, uint64_t wparam, uint64_t lparam) {
  unsigned char record[RECORD_SIZE];
  if (connection < 0) {
    say("error no viewer connected");
    return -1;
  }
  encode_record(record, message, wparam, lparam);
  if (send(connection, record, sizeof record, MSG_NOSIGNAL) != (ssize_t)sizeof record) {
    say("error send failed");
    return -1;
  }
  printf("sent 0x%X\n", (unsigned)message);
  fflush(stdout);
  return 0;
}

/* Carries out one command line; 0 when the host should end. */
static int run_command(const char *command, int *connection) {
  if (strcmp(command, "select") == 0) send_record(*connection, 0x8019, 0, 0);
  else if (strcmp(command, "reload") == 0) send_record(*connection, 0x801B, 0, 0);
  else if (strcmp(command, "close") == 0) send_record(*connection, 0x801C, 0, 0);
  else if (strncmp(command, "send ", 5) == 0) {
    char *p = (char *)command + 5;
    unsigned long long m = strtoull(p, &p, 0);
    unsigned long long w = strtoull(p, &p, 0);
    unsigned long long l = strtoull(p, &p, 0);
    send_record(*connection, (uint32_t)m, w, l);
  } else if (strcmp(command, "hangup") == 0) {
    if (*connection >= 0) close(*connection);
    *connection = -1;
    say("disconnected");
  } else if (strcmp(command, "quit") == 0) return 0;
  else say("error unknown command");
  return 1;
}

/* Starts the viewer with the host's switch appended to its arguments. */
static void start_viewer(char **argv, int argc, unsigned long long id) {
  char sel[48];
  char **args = calloc((size_t)argc + 2, sizeof *args);
  pid_t pid;
  int i;
  if (args == NULL) return;
  snprintf(sel, sizeof sel, "/sel\"%llu\"", id);
  for (i = 0; i < argc; ++i) args[i] = argv[i];
  args[argc] = sel;
  pid = fork();
  if (pid == 0) {
    execvp(args[0], args);
    _exit(127);
  }
  free(args);
  if (pid < 0) say("error cannot start the viewer");
}

int main(int argc, char **argv) {
  unsigned long long id = (unsigned long long)getpid();
  const char *folder = runtime_folder();
  struct sockaddr_un address;
  int listener, connection = -1, opt, running = 1, input_open = 1;
  unsigned char pending[RECORD_SIZE];
  size_t pending_size = 0;
  char line[256];
  size_t line_size = 0;

  while ((opt = getopt(argc, argv, "+n:d:")) != -1) {
    if (opt == 'n') id = strtoull(optarg, NULL, 10);
    else if (opt == 'd') folder = optarg;
    else return 2;
  }
  if (id == 0) {
    fprintf(stderr, "the host id must not be 0\n");
    return 2;
  }

  memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if ((size_t)snprintf(address.sun_path, sizeof address.sun_path, "%s/korvex-host-%llu", folder, id) >=
      sizeof address.sun_path) {
    fprintf(stderr, "the socket path is too long\n");
    return 2;
  }
  listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  unlink(address.sun_path); /* a socket left by an earlier run */
  if (listener < 0 || bind(listener, (struct sockaddr *)&address, sizeof address) != 0 || listen(listener, 4) != 0) {
    perror("korvex_host_example");
    return 1;
  }
  signal(SIGCHLD, SIG_IGN); /* no zombie viewers */
  printf("listening %s\n", address.sun_path);
  fflush(stdout);
  if (optind < argc) start_viewer(argv + optind, argc - optind, id);

  while (running) {
    struct pollfd fds[3];
    nfds_t count = 0;
    fds[count].fd = listener;
    fds[count++].events = POLLIN;
    fds[count].fd = input_open ? STDIN_FILENO : -1;
    fds[count++].events = POLLIN;
    fds[count].fd = connection;
    fds[count++].events = POLLIN;
    if (poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }

    if (fds[0].revents & POLLIN) {
      /* A viewer connects at the end of its start-up; the newest one wins. */
      int accepted = accept(listener, NULL, NULL);
      if (accepted >= 0) {
        if (connection >= 0) close(connection);
        connection = accepted;
        pending_size = 0;
        say("connected");
      }
    }

    if (connection >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
      unsigned char buffer[256];
      ssize_t got = recv(connection, buffer, sizeof buffer, 0);
      ssize_t i;
      if (got <= 0) {
        close(connection);
        connection = -1;
        say("disconnected");
      }
      for (i = 0; i < got; ++i) {
        pending[pending_size++] = buffer[i];
        if (pending_size < RECORD_SIZE) continue;
        pending_size = 0;
        /* 0x801A: the viewer is up, wParam is its window id.
           0x8019: a node was picked; its name (UTF-8) is on the clipboard,
           or the clipboard is empty when the click hit nothing. */
        printf("recv 0x%X %llu %llu\n", (unsigned)decode_field(pending, 4),
               (unsigned long long)decode_field(pending + 4, 8), (unsigned long long)decode_field(pending + 12, 8));
        fflush(stdout);
      }
    }

    if (input_open && (fds[1].revents & (POLLIN | POLLHUP))) {
      ssize_t got = read(STDIN_FILENO, line + line_size, sizeof line - 1 - line_size);
      char *end;
      if (got <= 0) {
        input_open = 0;
        running = 0;
        continue;
      }
      line_size += (size_t)got;
      line[line_size] = '\0';
      /* One read may carry several commands, or part of one. */
      while ((end = strchr(line, '\n')) != NULL) {
        *end = '\0';
        running = run_command(line, &connection);
        line_size -= (size_t)(end + 1 - line);
        memmove(line, end + 1, line_size + 1);
        if (!running) break;
      }
      if (line_size == sizeof line - 1) line_size = 0; /* an endless line: drop it */
    }
  }

  if (connection >= 0) close(connection);
  close(listener);
  unlink(address.sun_path);
  return 0;
}
