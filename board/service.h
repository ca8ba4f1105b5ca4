// The board as an HTTP service (cpp-httplib): posting a recording, the board in JSON and as a
// page, one recording's text, and, when it is given the page's folder, the page itself at the
// same address, so that its Watch links play a recording in it.
//
//   POST /api/recordings?name=NAME        the recording as the body (or form fields `name` and
//                                         `recording`, urlencoded or multipart)
//   GET  /api/games?order=best|newest&page=N&per=M
//   GET  /api/recordings/ID               its text
//   GET  /api/recordings/ID/games         its games
//   GET  /api/health                      200 when the store answers, 503 when it does not
//   GET  /board?order=best|newest&page=N  the board page
#pragma once

#include <memory>
#include <string>

#include "board/store.h"
#include "board/verify.h"

namespace fenwing::board {

struct Options {
    std::string listen = "127.0.0.1";
    int port = 8080;
    std::string page;         // the page's built folder, served at /; none when empty
    std::string pageUrl;      // where the page is when the board does not serve it
    std::string publicUrl;    // the board's own address as others reach it, for pageUrl's links
    int postsPerMinute = 10;  // from one address; 0 for no limit
    int replays = 0;          // replays at once; 0 for one a core
    int threads = 64;         // connections served at once
    Limits limits;
};

class Service {
  public:
    Service(Store& store, Options options);
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Binds the address and port; returns the port (the one given, or the one found for 0), or
    // -1 when it cannot.
    int bind();
    // Serves until stop(); false when it could not.
    bool run();
    void stop();

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace fenwing::board
