// Scripting descriptors as the host keeps them: a host handle holding a list
// of items (key, type, bytes), written by the plug-in through the write
// procs at the end of a run and handed back through the read procs when an
// action replays.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hostkit/hostkit_internal.h"

namespace {

// Item layout inside a descriptor handle: key, type and size (native order,
// four bytes each), then the bytes.
constexpr size_t kItemHeader = 12;

struct Item {
    uint32_t key;
    uint32_t type;
    std::vector<uint8_t> bytes;
    size_t offset;  // of the bytes in the descriptor handle it was read from
};

std::vector<uint8_t> Serialise(const std::vector<Item>& items) {
    std::vector<uint8_t> out;
    for (const Item& item : items) {
        const uint32_t header[3] = {item.key, item.type, uint32_t(item.bytes.size())};
        const uint8_t* h = reinterpret_cast<const uint8_t*>(header);
        out.insert(out.end(), h, h + kItemHeader);
        out.insert(out.end(), item.bytes.begin(), item.bytes.end());
    }
    return out;
}

// The items of a descriptor handle; false for anything that is not one.
bool Parse(Handle descriptor, std::vector<Item>* items) {
    int32_t size = 0;
    const char* bytes = HK_HandleBytes(descriptor, &size);
    if (bytes == nullptr) return false;
    for (size_t at = 0; at < size_t(size);) {
        if (size_t(size) - at < kItemHeader) return false;
        uint32_t header[3];
        std::memcpy(header, bytes + at, kItemHeader);
        at += kItemHeader;
        if (header[2] > size_t(size) - at) return false;
        items->push_back(Item{header[0], header[1],
                              std::vector<uint8_t>(bytes + at, bytes + at + header[2]), at});
        at += header[2];
    }
    return true;
}

Handle HandleOf(const std::vector<Item>& items) {
    const std::vector<uint8_t> bytes = Serialise(items);
    return HK_NewHostHandle(bytes.data(), int32_t(bytes.size()));
}

// ---- Write procs --------------------------------------------------------------------

struct WriteToken {
    std::vector<Item> items;
};

PIWriteDescriptor OpenWrite() {
    return new WriteToken();
}

OSErr CloseWrite(PIWriteDescriptor token, PIDescriptorHandle* descriptor) {
    WriteToken* t = static_cast<WriteToken*>(token);
    if (t == nullptr) return paramErr;
    Handle h = HandleOf(t->items);
    delete t;
    if (descriptor != nullptr) *descriptor = h;
    return h != nullptr ? noErr : memFullErr;
}

OSErr Put(PIWriteDescriptor token, DescriptorKeyID key, uint32_t type, const void* bytes,
          size_t size) {
    WriteToken* t = static_cast<WriteToken*>(token);
    if (t == nullptr) return paramErr;
    const uint8_t* b = static_cast<const uint8_t*>(bytes);
    t->items.push_back(Item{key, type, std::vector<uint8_t>(b, b + size), 0});
    return noErr;
}

OSErr PutText(PIWriteDescriptor token, DescriptorKeyID key, Handle text) {
    int32_t size = 0;
    const char* bytes = HK_HandleBytes(text, &size);
    if (bytes == nullptr) return nilHandleErr;
    return Put(token, key, typeChar, bytes, size_t(size));
}

OSErr PutInteger(PIWriteDescriptor token, DescriptorKeyID key, int32_t value) {
    return Put(token, key, typeInteger, &value, sizeof value);
}

OSErr PutBoolean(PIWriteDescriptor token, DescriptorKeyID key, Boolean value) {
    return Put(token, key, typeBoolean, &value, sizeof value);
}

// ---- Read procs ---------------------------------------------------------------------

struct ReadToken {
    std::vector<Item> items;
    size_t next;  // the item getKey hands out next
    DescriptorKeyID* keys;
    OSErr error;
};

PIReadDescriptor OpenRead(PIDescriptorHandle descriptor, DescriptorKeyID keys[]) {
    ReadToken* t = new ReadToken{{}, 0, keys, noErr};
    if (descriptor == nullptr || !Parse(descriptor, &t->items)) {
        delete t;
        return nullptr;
    }
    return t;
}

// The host's read error: a key the plug-in expected and did not get.
OSErr CloseRead(PIReadDescriptor token) {
    ReadToken* t = static_cast<ReadToken*>(token);
    if (t == nullptr) return paramErr;
    OSErr error = t->error;
    for (DescriptorKeyID* k = t->keys; k != nullptr && *k != 0; ++k)
        if (*k != typeNull && error == noErr) error = errMissingParameter;
    delete t;
    return error;
}

Boolean GetKey(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type,
               int32_t* flags) {
    ReadToken* t = static_cast<ReadToken*>(token);
    if (t == nullptr || t->next >= t->items.size()) return 0;
    const Item& item = t->items[t->next++];
    if (key != nullptr) *key = item.key;
    if (type != nullptr) *type = item.type;
    if (flags != nullptr) *flags = 0;
    for (DescriptorKeyID* k = t->keys; k != nullptr && *k != 0; ++k)
        if (*k == item.key) *k = typeNull;
    return 1;
}

const Item* Current(ReadToken* t, uint32_t type) {
    if (t == nullptr || t->next == 0) return nullptr;
    const Item& item = t->items[t->next - 1];
    if (item.type != type) {
        t->error = paramErr;
        return nullptr;
    }
    return &item;
}

OSErr GetText(PIReadDescriptor token, Handle* text) {
    if (text == nullptr) return paramErr;
    *text = nullptr;
    const Item* item = Current(static_cast<ReadToken*>(token), typeChar);
    if (item == nullptr) return paramErr;
    *text = HK_NewHostHandle(item->bytes.data(), int32_t(item->bytes.size()));
    return *text != nullptr ? noErr : memFullErr;
}

OSErr GetInteger(PIReadDescriptor token, int32_t* value) {
    const Item* item = Current(static_cast<ReadToken*>(token), typeInteger);
    if (item == nullptr || value == nullptr || item->bytes.size() != sizeof *value) return paramErr;
    std::memcpy(value, item->bytes.data(), sizeof *value);
    return noErr;
}

}  // namespace

void HK_InstallDescriptorProcs(HKHost* host) {
    ReadDescriptorProcs& r = host->readDescriptorProcs;
    std::memset(&r, 0, sizeof r);
    r.readDescriptorProcsVersion = kCurrentReadDescriptorProcsVersion;
    r.numReadDescriptorProcs = kCurrentReadDescriptorProcsCount;
    r.openReadDescriptorProc = OpenRead;
    r.closeReadDescriptorProc = CloseRead;
    r.getKeyProc = GetKey;
    r.getIntegerProc = GetInteger;
    r.getTextProc = GetText;
    WriteDescriptorProcs& w = host->writeDescriptorProcs;
    std::memset(&w, 0, sizeof w);
    w.writeDescriptorProcsVersion = kCurrentWriteDescriptorProcsVersion;
    w.numWriteDescriptorProcs = kCurrentWriteDescriptorProcsCount;
    w.openWriteDescriptorProc = OpenWrite;
    w.closeWriteDescriptorProc = CloseWrite;
    w.putIntegerProc = PutInteger;
    w.putBooleanProc = PutBoolean;
    w.putTextProc = PutText;
    PIDescriptorParameters& d = host->descriptorParameters;
    d.descriptorParametersVersion = kCurrentDescriptorParametersVersion;
    d.playInfo = host->options.playInfo;
    d.recordInfo = plugInDialogOptional;
    d.descriptor = nullptr;
    d.readDescriptorProcs = &host->readDescriptorProcs;
    d.writeDescriptorProcs = &host->writeDescriptorProcs;
}

int32_t HK_SetDescriptorText(HKHost* host, uint32_t key, const void* bytes, uint32_t size) {
    HK_SetActive(host);
    HK_ClearDescriptor(host);
    const uint8_t* b = static_cast<const uint8_t*>(bytes);
    host->descriptorParameters.descriptor =
        HandleOf({Item{key, typeChar, std::vector<uint8_t>(b, b + size), 0}});
    return host->descriptorParameters.descriptor != nullptr ? 0 : -3;
}

void HK_ClearDescriptor(HKHost* host) {
    HK_SetActive(host);
    HK_DisposeHandle(host->descriptorParameters.descriptor);
    host->descriptorParameters.descriptor = nullptr;
}

const uint8_t* HK_DescriptorText(const HKHost* host, uint32_t key, uint32_t* size) {
    HK_SetActive(const_cast<HKHost*>(host));
    std::vector<Item> items;
    const Handle descriptor = host->descriptorParameters.descriptor;
    if (!Parse(descriptor, &items)) return nullptr;
    for (const Item& item : items)
        if (item.key == key && item.type == typeChar) {
            if (size != nullptr) *size = uint32_t(item.bytes.size());
            return reinterpret_cast<const uint8_t*>(HK_HandleBytes(descriptor, nullptr)) +
                   item.offset;
        }
    return nullptr;
}
