// Owners of libcurl's handles, and the process-wide set-up of libcurl. Internal to platform/net.
#pragma once

#include <curl/curl.h>

#include <memory>

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct CurlUrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using CurlEasyPtr = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMultiPtr = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlSlistPtr = std::unique_ptr<curl_slist, CurlSlistDeleter>;
using CurlUrlPtr = std::unique_ptr<CURLU, CurlUrlDeleter>;

// Runs curl_global_init once per process; returns false when it failed.
bool EnsureCurlInitialised();
