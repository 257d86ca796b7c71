#pragma once
// Owning wrappers for libcurl's C handles.

#include <curl/curl.h>

#include <memory>

namespace kl8 {

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct CurlShareDeleter {
    void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};
struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlShare = std::unique_ptr<CURLSH, CurlShareDeleter>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// Adds an easy handle to a multi handle for one scope and takes it out again, so that the
// multi handle never outlives its knowledge of the easy handle or the reverse.
class CurlMultiAttachment {
   public:
    CurlMultiAttachment(CURLM* multi, CURL* easy)
        : multi_(multi), easy_(easy), added_(curl_multi_add_handle(multi, easy) == CURLM_OK) {}
    CurlMultiAttachment(const CurlMultiAttachment&) = delete;
    CurlMultiAttachment& operator=(const CurlMultiAttachment&) = delete;
    ~CurlMultiAttachment() {
        if (added_) curl_multi_remove_handle(multi_, easy_);
    }
    bool added() const { return added_; }

   private:
    CURLM* multi_;
    CURL* easy_;
    bool added_;
};

}  // namespace kl8
